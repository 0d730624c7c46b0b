#pragma once

// The About box: the product picture, name and version, and how to reach the maker.

#include <QDialog>

class QFrame;
class QLabel;
class QPushButton;

// The maker's addresses, also used by the main window's "Go to Morvane Web Site" item.
inline constexpr const char* MorvaneWebSite = "https://www.morvane.example";
inline constexpr const char* MorvaneSalesEmail = "sales@morvane.example";

class TfrmAbout : public QDialog {
    Q_OBJECT
public:
    static constexpr const char* ProductName = "Morvane Quillon";
    static constexpr const char* VersionText = "Demo v2.00.156";

    explicit TfrmAbout(QWidget* parent = nullptr);

    QLabel* imgPicture;
    QLabel* lblProduct;
    QLabel* lblVersion;
    QFrame* pnlLinks;
    QLabel* lblWebSite;
    QLabel* lblEmail;
    QPushButton* btnOK;

protected:
    void showEvent(QShowEvent* event) override;
};
