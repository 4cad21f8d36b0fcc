#include "app/UpdateWindows.h"

#include "app/Pictures.h"

#include <QDialogButtonBox>
#include <QLabel>
#include <QPlainTextEdit>
#include <QPushButton>
#include <QVBoxLayout>

UpdateWindow::UpdateWindow(QWidget* parent) : QDialog(parent) {
    setObjectName(QStringLiteral("UpdateWindow"));
    setWindowTitle(tr("Software Update"));
    auto* layout = new QVBoxLayout(this);
    newversionlab = new QLabel(this);
    QFont headline = newversionlab->font();
    headline.setBold(true);
    headline.setPointSizeF(headline.pointSizeF() * 1.2);
    newversionlab->setFont(headline);
    currentversionlab = new QLabel(this);
    currentversionlab->setWordWrap(true);
    whatsnewContentView = new QPlainTextEdit(this);
    whatsnewContentView->setReadOnly(true);
    bottomImageView = new QLabel(this);
    bottomImageView->setScaledContents(true);
    bottomImageView->setFixedHeight(24);
    bottomImageView->setPixmap(Pictures::icon(QStringLiteral("mainBottomImage.png"))
                                   .pixmap(QSize(480, 24), devicePixelRatio()));
    auto* buttons = new QDialogButtonBox(this);
    notNowButton = buttons->addButton(tr("Not Now"), QDialogButtonBox::RejectRole);
    downloadButton = buttons->addButton(tr("Download"), QDialogButtonBox::AcceptRole);
    downloadButton->setDefault(true);
    layout->addWidget(newversionlab);
    layout->addWidget(currentversionlab);
    layout->addWidget(whatsnewContentView, 1);
    layout->addWidget(buttons);
    layout->addWidget(bottomImageView);
    resize(480, 320);
}

NoUpdateWindow::NoUpdateWindow(QWidget* parent) : QDialog(parent) {
    setObjectName(QStringLiteral("noUpdateWindow"));
    setWindowTitle(tr("Software Update"));
    auto* layout = new QVBoxLayout(this);
    messageLabel = new QLabel(this);
    messageLabel->setWordWrap(true);
    auto* buttons = new QDialogButtonBox(this);
    okButton = buttons->addButton(tr("OK"), QDialogButtonBox::AcceptRole);
    okButton->setDefault(true);
    layout->addWidget(messageLabel);
    layout->addWidget(buttons);
}
