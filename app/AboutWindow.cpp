#include "app/AboutWindow.h"

#include "metadata/LibraryVersions.h"
#include "sources/CameraServiceGPhoto.h"

#include <QCoreApplication>
#include <QDialogButtonBox>
#include <QLabel>
#include <QSettings>
#include <QVBoxLayout>

AboutFacts AboutFacts::gather(const QString& storageFolder) {
    AboutFacts facts;
    facts.version = QCoreApplication::applicationVersion();
    if (facts.version.isEmpty())
        facts.version = QStringLiteral(TESSAVIEW_VERSION);
    const QString worker = QCoreApplication::translate("AboutWindow", "in the metadata worker");
    facts.libraries = {
        {QStringLiteral("Qt"), QString::fromLatin1(qVersion()),
         QStringLiteral("GNU LGPL version 3"), QString()},
        {QStringLiteral("Exiv2"), LibraryVersions::exiv2(),
         QStringLiteral("GNU GPL version 2 or later"), worker},
        {QStringLiteral("libheif"), LibraryVersions::heif(),
         QStringLiteral("GNU LGPL version 3 or later"), worker},
        {QStringLiteral("libgphoto2"), cameraLibraryVersion(),
         QStringLiteral("GNU LGPL version 2.1 or later"), QString()},
    };
    facts.settingsFile = QSettings().fileName();
    facts.storageFolder = storageFolder;
    return facts;
}

QString AboutFacts::toHtml() const {
    QString html = QStringLiteral("<h2>Tessaview %1</h2>").arg(version.toHtmlEscaped());
    html += QStringLiteral("<p>Built on these libraries:</p><table cellspacing=\"4\">");
    for (const Library& library : libraries) {
        QString name = library.name.toHtmlEscaped();
        if (!library.note.isEmpty())
            name += QStringLiteral(" (%1)").arg(library.note.toHtmlEscaped());
        html += QStringLiteral("<tr><td>%1</td><td>%2</td><td>%3</td></tr>")
                    .arg(name, library.version.toHtmlEscaped(), library.licence.toHtmlEscaped());
    }
    html += QStringLiteral("</table>");
    html += QStringLiteral("<p>Settings: %1<br>Photos are written to: %2</p>")
                .arg(settingsFile.toHtmlEscaped(), storageFolder.toHtmlEscaped());
    return html;
}

AboutWindow::AboutWindow(QWidget* parent) : QDialog(parent) {
    setObjectName(QStringLiteral("aboutWindow"));
    setWindowTitle(tr("About Tessaview"));
    auto* layout = new QVBoxLayout(this);
    m_text = new QLabel(this);
    m_text->setTextFormat(Qt::RichText);
    m_text->setTextInteractionFlags(Qt::TextSelectableByMouse);
    m_text->setWordWrap(true);
    auto* buttons = new QDialogButtonBox(QDialogButtonBox::Close, this);
    connect(buttons, &QDialogButtonBox::rejected, this, &QDialog::hide);
    layout->addWidget(m_text);
    layout->addWidget(buttons);
}

void AboutWindow::showFacts(const AboutFacts& facts) {
    m_text->setText(facts.toHtml());
    adjustSize();
}

QString AboutWindow::text() const {
    return m_text->text();
}
