#include "AboutForm.h"

#include <QFrame>
#include <QGuiApplication>
#include <QHBoxLayout>
#include <QLabel>
#include <QPixmap>
#include <QPushButton>
#include <QScreen>
#include <QVBoxLayout>

namespace {

QLabel* MakeLink(const QString& url, const QString& text, QWidget* parent)
{
    auto* label = new QLabel(QStringLiteral("<a href=\"%1\">%2</a>").arg(url, text.toHtmlEscaped()),
                             parent);
    label->setTextFormat(Qt::RichText);
    label->setTextInteractionFlags(Qt::TextBrowserInteraction);
    label->setOpenExternalLinks(true);  // the user's browser or mail program
    label->setToolTip(url);
    return label;
}

} // namespace

TfrmAbout::TfrmAbout(QWidget* parent) : QDialog(parent)
{
    setWindowTitle(tr("About"));
    setModal(true);
    setWindowFlags((windowFlags() | Qt::MSWindowsFixedSizeDialogHint) &
                   ~Qt::WindowContextHelpButtonHint);

    auto* layout = new QVBoxLayout(this);
    layout->setContentsMargins(0, 0, 0, 10);
    layout->setSpacing(6);

    imgPicture = new QLabel(this);
    imgPicture->setPixmap(QPixmap(QStringLiteral(":/images/about.jpg")));
    imgPicture->setScaledContents(true);  // drawn stretched over its area
    imgPicture->setFixedSize(420, 210);
    layout->addWidget(imgPicture);

    auto* text = new QVBoxLayout;
    text->setContentsMargins(16, 4, 16, 0);
    lblProduct = new QLabel(this);
    QFont big = lblProduct->font();
    big.setPointSizeF(big.pointSizeF() * 1.6);
    big.setBold(true);
    lblProduct->setFont(big);
    lblVersion = new QLabel(this);
    text->addWidget(lblProduct);
    text->addWidget(lblVersion);

    pnlLinks = new QFrame(this);
    pnlLinks->setFrameShape(QFrame::StyledPanel);
    pnlLinks->setFrameShadow(QFrame::Sunken);
    auto* links = new QVBoxLayout(pnlLinks);
    const QString site = QString::fromLatin1(MorvaneWebSite);
    const QString mail = QString::fromLatin1(MorvaneSalesEmail);
    lblWebSite = MakeLink(site, QStringLiteral("www.morvane.example"), pnlLinks);
    lblEmail = MakeLink(QStringLiteral("mailto:") + mail, mail, pnlLinks);
    links->addWidget(new QLabel(tr("Web site:"), pnlLinks));
    links->addWidget(lblWebSite);
    links->addWidget(new QLabel(tr("Sales:"), pnlLinks));
    links->addWidget(lblEmail);
    text->addSpacing(4);
    text->addWidget(pnlLinks);
    layout->addLayout(text);

    auto* bottom = new QHBoxLayout;
    bottom->setContentsMargins(16, 0, 16, 0);
    bottom->addStretch();
    btnOK = new QPushButton(tr("OK"), this);
    btnOK->setDefault(true);
    bottom->addWidget(btnOK);
    layout->addLayout(bottom);
    connect(btnOK, &QPushButton::clicked, this, &QDialog::accept);

    layout->setSizeConstraint(QLayout::SetFixedSize);
}

void TfrmAbout::showEvent(QShowEvent* event)
{
    lblProduct->setText(QString::fromLatin1(ProductName));
    lblVersion->setText(QString::fromLatin1(VersionText));
    QDialog::showEvent(event);
    if (QScreen* screen = this->screen() ? this->screen() : QGuiApplication::primaryScreen()) {
        QRect frame = frameGeometry();
        frame.moveCenter(screen->availableGeometry().center());
        move(frame.topLeft());
    }
}
