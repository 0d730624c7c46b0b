#include "Dialogs.h"

#include <QApplication>
#include <QColorDialog>
#include <QFileDialog>
#include <QFileInfo>
#include <QInputDialog>
#include <QMessageBox>

namespace {

QString& TitleStore()
{
    static QString title;
    return title;
}

std::unique_ptr<TDialogs>& DialogsStore()
{
    static std::unique_ptr<TDialogs> dialogs;
    return dialogs;
}

QWidget* DialogParent() { return QApplication::activeWindow(); }

// Message texts use "\r\n" as their line break.
QString DisplayText(const QString& text)
{
    QString s = text;
    s.replace(QLatin1String("\r\n"), QLatin1String("\n"));
    s.replace(QLatin1Char('\r'), QLatin1Char('\n'));
    return s;
}

} // namespace

void SetApplicationTitle(const QString& title) { TitleStore() = title; }

QString ApplicationTitle()
{
    return TitleStore().isEmpty() ? QCoreApplication::applicationName() : TitleStore();
}

QString QtFileFilter(const QString& pipeFilter)
{
    const QStringList parts = pipeFilter.split(QLatin1Char('|'));
    QStringList filters;
    for (qsizetype i = 0; i + 1 < parts.size(); i += 2) {
        QStringList patterns;
        for (const QString& p : parts[i + 1].split(QLatin1Char(';'), Qt::SkipEmptyParts)) {
            QString pattern = p.trimmed();
            if (pattern == QLatin1String("*.*"))
                pattern = QStringLiteral("*");  // "every file", not only names with a dot
            for (const QString& variant : {pattern, pattern.toLower(), pattern.toUpper()})
                if (!variant.isEmpty() && !patterns.contains(variant))
                    patterns << variant;
        }
        filters << parts[i].trimmed() + QLatin1String(" (") + patterns.join(QLatin1Char(' ')) +
                       QLatin1Char(')');
    }
    return filters.join(QLatin1String(";;"));
}

QString ApplyDefaultExt(const QString& fileName, const QString& ext)
{
    if (fileName.isEmpty() || ext.isEmpty() || !QFileInfo(fileName).suffix().isEmpty())
        return fileName;
    if (fileName.endsWith(QLatin1Char('.')))
        return fileName + ext;
    return fileName + QLatin1Char('.') + ext;
}

TDialogs& Dialogs()
{
    auto& dialogs = DialogsStore();
    if (!dialogs)
        dialogs = std::make_unique<TQtDialogs>();
    return *dialogs;
}

std::unique_ptr<TDialogs> SetDialogs(std::unique_ptr<TDialogs> dialogs)
{
    auto previous = std::move(DialogsStore());
    DialogsStore() = std::move(dialogs);
    return previous;
}

// ---------------------------------------------------------------- Qt dialogs

TMessageResult TQtDialogs::Message(TDialogKind kind, const QString& text, TMessageButtons buttons)
{
    QMessageBox::Icon icon = QMessageBox::Information;
    switch (kind) {
    case TDialogKind::Error:
        icon = QMessageBox::Critical;
        break;
    case TDialogKind::Warning:
        icon = QMessageBox::Warning;
        break;
    case TDialogKind::Confirmation:
        icon = QMessageBox::Question;
        break;
    default:
        break;
    }
    QMessageBox::StandardButtons standard = QMessageBox::Ok;
    if (buttons == TMessageButtons::YesNo)
        standard = QMessageBox::Yes | QMessageBox::No;
    else if (buttons == TMessageButtons::OkCancel)
        standard = QMessageBox::Ok | QMessageBox::Cancel;
    QMessageBox box(icon, ApplicationTitle(), DisplayText(text), standard, DialogParent());
    box.setTextFormat(Qt::PlainText);
    switch (box.exec()) {
    case QMessageBox::Yes:
        return TMessageResult::Yes;
    case QMessageBox::No:
        return TMessageResult::No;
    case QMessageBox::Cancel:
        return TMessageResult::Cancel;
    case QMessageBox::Ok:
        return TMessageResult::Ok;
    default:
        // Closed with Escape or the title-bar button.
        return buttons == TMessageButtons::Ok       ? TMessageResult::Ok
               : buttons == TMessageButtons::YesNo ? TMessageResult::No
                                                   : TMessageResult::Cancel;
    }
}

std::optional<QString> TQtDialogs::OpenFile(const TFileDialogOptions& options)
{
    QString start = options.StartFolder;
    if (!options.FileName.isEmpty())
        start = QDir(start).filePath(options.FileName);
    QString name = QFileDialog::getOpenFileName(DialogParent(), options.Caption, start,
                                                QtFileFilter(options.Filter));
    if (name.isEmpty())
        return std::nullopt;
    const QString withExt = ApplyDefaultExt(name, options.DefaultExt);
    if (!QFileInfo::exists(name) && QFileInfo::exists(withExt))
        name = withExt;
    return name;
}

std::optional<QString> TQtDialogs::SaveFile(const TFileDialogOptions& options)
{
    QString start = options.StartFolder;
    if (!options.FileName.isEmpty())
        start = QDir(start).filePath(options.FileName);
    const QString name = QFileDialog::getSaveFileName(DialogParent(), options.Caption, start,
                                                      QtFileFilter(options.Filter));
    if (name.isEmpty())
        return std::nullopt;
    return ApplyDefaultExt(name, options.DefaultExt);
}

std::optional<QColor> TQtDialogs::ChooseColour(const QColor& initial, const QString& caption)
{
    const QColor colour = QColorDialog::getColor(initial, DialogParent(), caption);
    if (!colour.isValid())
        return std::nullopt;
    return colour;
}

std::optional<QString> TQtDialogs::ChooseFolder(const QString& caption, const QString& startFolder)
{
    // Qt's own directory dialog carries a "Create New Folder" button on every platform.
    const QString dir = QFileDialog::getExistingDirectory(
        DialogParent(), caption, startFolder,
        QFileDialog::ShowDirsOnly | QFileDialog::DontUseNativeDialog);
    if (dir.isEmpty())
        return std::nullopt;
    return dir;
}

std::optional<QString> TQtDialogs::InputBox(const QString& caption, const QString& prompt,
                                            const QString& defaultText)
{
    bool ok = false;
    const QString text = QInputDialog::getText(DialogParent(), caption, prompt, QLineEdit::Normal,
                                               defaultText, &ok);
    if (!ok)
        return std::nullopt;
    return text;
}

std::optional<QString> TQtDialogs::ChooseItem(const QString& caption, const QString& prompt,
                                              const QStringList& items, int current, bool editable)
{
    bool ok = false;
    const QString text =
        QInputDialog::getItem(DialogParent(), caption, prompt, items, current, editable, &ok);
    if (!ok)
        return std::nullopt;
    return text;
}

// ---------------------------------------------------------------- recording double

namespace {

template <typename T> T TakeAnswer(std::deque<T>& queue, T fallback)
{
    if (queue.empty())
        return fallback;
    T answer = std::move(queue.front());
    queue.pop_front();
    return answer;
}

} // namespace

TMessageResult TRecordingDialogs::Message(TDialogKind kind, const QString& text,
                                          TMessageButtons buttons)
{
    Calls.push_back({kind, ApplicationTitle(), text, buttons, {}, {}, {}});
    if (WhileShown)
        WhileShown(Calls.back());
    const TMessageResult fallback = buttons == TMessageButtons::Ok      ? TMessageResult::Ok
                                    : buttons == TMessageButtons::YesNo ? TMessageResult::No
                                                                        : TMessageResult::Cancel;
    return TakeAnswer(MessageAnswers, fallback);
}

std::optional<QString> TRecordingDialogs::OpenFile(const TFileDialogOptions& options)
{
    Calls.push_back({TDialogKind::OpenFile, options.Caption, options.StartFolder,
                     TMessageButtons::Ok, options.Filter, options.DefaultExt, options.FileName});
    return TakeAnswer(FileAnswers, std::optional<QString>());
}

std::optional<QString> TRecordingDialogs::SaveFile(const TFileDialogOptions& options)
{
    Calls.push_back({TDialogKind::SaveFile, options.Caption, options.StartFolder,
                     TMessageButtons::Ok, options.Filter, options.DefaultExt, options.FileName});
    auto answer = TakeAnswer(FileAnswers, std::optional<QString>());
    if (answer)
        *answer = ApplyDefaultExt(*answer, options.DefaultExt);
    return answer;
}

std::optional<QColor> TRecordingDialogs::ChooseColour(const QColor& initial, const QString& caption)
{
    Calls.push_back({TDialogKind::Colour, caption, initial.name(), TMessageButtons::Ok, {}, {}, {}});
    return TakeAnswer(ColourAnswers, std::optional<QColor>());
}

std::optional<QString> TRecordingDialogs::ChooseFolder(const QString& caption,
                                                       const QString& startFolder)
{
    Calls.push_back({TDialogKind::Folder, caption, startFolder, TMessageButtons::Ok, {}, {}, {}});
    return TakeAnswer(FolderAnswers, std::optional<QString>());
}

std::optional<QString> TRecordingDialogs::InputBox(const QString& caption, const QString& prompt,
                                                   const QString& defaultText)
{
    Calls.push_back({TDialogKind::Input, caption, prompt, TMessageButtons::Ok, {}, {}, defaultText});
    return TakeAnswer(InputAnswers, std::optional<QString>());
}

std::optional<QString> TRecordingDialogs::ChooseItem(const QString& caption, const QString& prompt,
                                                     const QStringList& items, int current, bool)
{
    Calls.push_back({TDialogKind::Choice, caption, prompt, TMessageButtons::Ok, {}, {},
                     items.value(current)});
    LastChoiceItems = items;
    return TakeAnswer(ChoiceAnswers, std::optional<QString>());
}

QStringList TRecordingDialogs::Texts(TDialogKind kind) const
{
    QStringList texts;
    for (const TDialogCall& call : Calls)
        if (call.Kind == kind)
            texts << call.Text;
    return texts;
}

TScopedRecordingDialogs::TScopedRecordingDialogs()
{
    auto dialogs = std::make_unique<TRecordingDialogs>();
    FDialogs = dialogs.get();
    FPrevious = SetDialogs(std::move(dialogs));
}

TScopedRecordingDialogs::~TScopedRecordingDialogs() { SetDialogs(std::move(FPrevious)); }
