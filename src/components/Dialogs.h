#pragma once

// Every modal dialog the program shows goes through one TDialogs object: message boxes,
// file, colour and folder choosers and the input box. The program uses the Qt one; tests
// install a TRecordingDialogs that records each call and answers from queues, so no test
// ever blocks on a modal window.

#include <QColor>
#include <QString>
#include <QStringList>

#include <deque>
#include <functional>
#include <memory>
#include <optional>
#include <vector>

enum class TDialogKind {
    Error,
    Warning,
    Information,
    Confirmation,
    OpenFile,
    SaveFile,
    Colour,
    Folder,
    Input,
    Choice,
};

enum class TMessageButtons { Ok, YesNo, OkCancel };
enum class TMessageResult { Ok, Cancel, Yes, No };

// A file dialog's settings. Filter pairs are written "CSV Log Files|*.CSV" (description,
// bar, patterns separated by ";"), several pairs joined by further bars.
struct TFileDialogOptions {
    QString Caption;
    QString Filter;
    QString DefaultExt;   // without the dot; added to a chosen name that has no suffix
    QString StartFolder;
    QString FileName;     // proposed name
};

// The caption of every message box; set once at start-up.
void SetApplicationTitle(const QString& title);
QString ApplicationTitle();

// "CSV Log Files|*.CSV" -> "CSV Log Files (*.CSV *.csv)". Each pattern's other-case
// spelling is added so that files written as ".csv" are listed on case-sensitive systems;
// "*.*" means every file.
QString QtFileFilter(const QString& pipeFilter);
// Adds "." + ext to a file name without a suffix; other names are left alone.
QString ApplyDefaultExt(const QString& fileName, const QString& ext);

class TDialogs {
public:
    virtual ~TDialogs() = default;

    // A message box of the given kind; the caption is the application title. Texts may
    // use "\r\n" for line breaks.
    virtual TMessageResult Message(TDialogKind kind, const QString& text, TMessageButtons buttons) = 0;
    // The chosen file, or nothing when cancelled.
    virtual std::optional<QString> OpenFile(const TFileDialogOptions& options) = 0;
    virtual std::optional<QString> SaveFile(const TFileDialogOptions& options) = 0;
    virtual std::optional<QColor> ChooseColour(const QColor& initial, const QString& caption = {}) = 0;
    // A folder; the dialog lets the user create a new one.
    virtual std::optional<QString> ChooseFolder(const QString& caption, const QString& startFolder) = 0;
    // The text entered, or nothing when cancelled.
    virtual std::optional<QString> InputBox(const QString& caption, const QString& prompt,
                                            const QString& defaultText) = 0;
    // One of the items, or (when editable) a text typed in their place; nothing when
    // cancelled. current is the item shown first.
    virtual std::optional<QString> ChooseItem(const QString& caption, const QString& prompt,
                                              const QStringList& items, int current,
                                              bool editable) = 0;

    void Error(const QString& text) { Message(TDialogKind::Error, text, TMessageButtons::Ok); }
    void Warning(const QString& text) { Message(TDialogKind::Warning, text, TMessageButtons::Ok); }
    void Information(const QString& text)
    {
        Message(TDialogKind::Information, text, TMessageButtons::Ok);
    }
    // Yes / No question: true for Yes.
    bool Confirm(const QString& text)
    {
        return Message(TDialogKind::Confirmation, text, TMessageButtons::YesNo) ==
               TMessageResult::Yes;
    }
    // OK / Cancel question: true for OK.
    bool ConfirmOkCancel(const QString& text)
    {
        return Message(TDialogKind::Confirmation, text, TMessageButtons::OkCancel) ==
               TMessageResult::Ok;
    }
};

// The process-wide dialogs; the Qt implementation unless something else was installed.
TDialogs& Dialogs();
// Installs new dialogs (nullptr = back to the Qt ones) and returns the previous ones.
std::unique_ptr<TDialogs> SetDialogs(std::unique_ptr<TDialogs> dialogs);

class TQtDialogs : public TDialogs {
public:
    TMessageResult Message(TDialogKind kind, const QString& text, TMessageButtons buttons) override;
    std::optional<QString> OpenFile(const TFileDialogOptions& options) override;
    std::optional<QString> SaveFile(const TFileDialogOptions& options) override;
    std::optional<QColor> ChooseColour(const QColor& initial, const QString& caption) override;
    std::optional<QString> ChooseFolder(const QString& caption, const QString& startFolder) override;
    std::optional<QString> InputBox(const QString& caption, const QString& prompt,
                                    const QString& defaultText) override;
    std::optional<QString> ChooseItem(const QString& caption, const QString& prompt,
                                      const QStringList& items, int current, bool editable) override;
};

// One recorded dialog call. For file dialogs Text is the start folder; for the input box
// it is the prompt.
struct TDialogCall {
    TDialogKind Kind;
    QString Caption;
    QString Text;
    TMessageButtons Buttons = TMessageButtons::Ok;
    QString Filter;
    QString DefaultExt;
    QString DefaultText;  // input box default, proposed file name
};

// Test double: records every call and answers from the queue of its kind. An empty queue
// gives the answer that changes nothing: OK for a plain message, No / Cancel for a
// question, "cancelled" for every chooser.
class TRecordingDialogs : public TDialogs {
public:
    TMessageResult Message(TDialogKind kind, const QString& text, TMessageButtons buttons) override;
    std::optional<QString> OpenFile(const TFileDialogOptions& options) override;
    std::optional<QString> SaveFile(const TFileDialogOptions& options) override;
    std::optional<QColor> ChooseColour(const QColor& initial, const QString& caption) override;
    std::optional<QString> ChooseFolder(const QString& caption, const QString& startFolder) override;
    std::optional<QString> InputBox(const QString& caption, const QString& prompt,
                                    const QString& defaultText) override;
    std::optional<QString> ChooseItem(const QString& caption, const QString& prompt,
                                      const QStringList& items, int current, bool editable) override;

    std::vector<TDialogCall> Calls;
    std::deque<std::optional<QString>> ChoiceAnswers;
    QStringList LastChoiceItems;  // the items of the last ChooseItem call
    std::deque<TMessageResult> MessageAnswers;
    std::deque<std::optional<QString>> FileAnswers;  // open and save
    std::deque<std::optional<QColor>> ColourAnswers;
    std::deque<std::optional<QString>> FolderAnswers;
    std::deque<std::optional<QString>> InputAnswers;
    // Runs while a message is "up", as the event loop of a real modal box would run.
    std::function<void(const TDialogCall&)> WhileShown;

    // Texts of the calls of one kind, in order.
    QStringList Texts(TDialogKind kind) const;
    int Count(TDialogKind kind) const { return static_cast<int>(Texts(kind).size()); }
};

// Installs a TRecordingDialogs for the lifetime of the guard and restores the previous
// dialogs afterwards.
class TScopedRecordingDialogs {
public:
    TScopedRecordingDialogs();
    ~TScopedRecordingDialogs();
    TScopedRecordingDialogs(const TScopedRecordingDialogs&) = delete;
    TScopedRecordingDialogs& operator=(const TScopedRecordingDialogs&) = delete;

    TRecordingDialogs& operator*() const { return *FDialogs; }
    TRecordingDialogs* operator->() const { return FDialogs; }

private:
    TRecordingDialogs* FDialogs;
    std::unique_ptr<TDialogs> FPrevious;
};
