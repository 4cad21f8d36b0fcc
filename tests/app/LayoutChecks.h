#pragma once

#include <QAbstractButton>
#include <QDir>
#include <QGroupBox>
#include <QGuiApplication>
#include <QHeaderView>
#include <QLabel>
#include <QLineEdit>
#include <QProcess>
#include <QScreen>
#include <QStyle>
#include <QTest>
#include <QTextDocumentFragment>
#include <QWidget>

// What the layout tests look at in a window: the texts it cuts off, and
// screenshots for a person to look at.

// Every text of the window's visible widgets that does not fit its
// widget, described for the failure message.
inline QStringList clippedTexts(QWidget* root) {
    QStringList found;
    QList<QWidget*> widgets = root->findChildren<QWidget*>();
    widgets.prepend(root);
    for (QWidget* w : std::as_const(widgets)) {
        if (!w->isVisible() || w->width() <= 0)
            continue;
        const QFontMetrics metrics = w->fontMetrics();
        const QString name = QStringLiteral("%1 (%2)").arg(
            w->objectName().isEmpty() ? QString::fromLatin1(w->metaObject()->className())
                                      : w->objectName());
        if (auto* label = qobject_cast<QLabel*>(w)) {
            if (label->text().isEmpty() || !label->pixmap().isNull())
                continue;
            const QString text = Qt::mightBeRichText(label->text())
                                     ? QTextDocumentFragment::fromHtml(label->text()).toPlainText()
                                     : label->text();
            const QRect area = label->contentsRect().marginsRemoved(
                QMargins(label->margin(), label->margin(), label->margin(), label->margin()));
            if (label->wordWrap()) {
                if (label->heightForWidth(label->width()) > label->height() + 1)
                    found << name.arg(text);
                continue;
            }
            int widest = 0;
            const QStringList lines = text.split(QLatin1Char('\n'));
            for (const QString& line : lines)
                widest = std::max(widest, metrics.horizontalAdvance(line));
            if (widest > area.width() + 1 ||
                metrics.height() * int(lines.size()) > area.height() + 2)
                found << name.arg(text);
        } else if (auto* button = qobject_cast<QAbstractButton*>(w)) {
            if (button->text().isEmpty())
                continue;
            if (button->width() < button->sizeHint().width() ||
                button->height() < button->minimumSizeHint().height())
                found << name.arg(button->text());
        } else if (auto* edit = qobject_cast<QLineEdit*>(w)) {
            // Values are the photo's; what the window itself writes is the hint.
            if (!edit->text().isEmpty() || edit->placeholderText().isEmpty())
                continue;
            const int frame =
                edit->hasFrame() ? edit->style()->pixelMetric(QStyle::PM_DefaultFrameWidth) : 0;
            if (metrics.horizontalAdvance(edit->placeholderText()) > edit->width() - 2 * frame - 4)
                found << name.arg(edit->placeholderText());
        } else if (auto* box = qobject_cast<QGroupBox*>(w)) {
            if (metrics.horizontalAdvance(box->title()) > box->width())
                found << name.arg(box->title());
        } else if (auto* header = qobject_cast<QHeaderView*>(w)) {
            for (int section = 0; section < header->count(); ++section) {
                const QString title =
                    header->model()->headerData(section, header->orientation()).toString();
                if (metrics.horizontalAdvance(title) + 8 > header->sectionSize(section))
                    found << name.arg(title);
            }
        }
    }
    return found;
}

// A screenshot of the whole screen for a person to look at, where asked.
inline void screenshot(const QString& name) {
    const QString folder = qEnvironmentVariable("TV_SCREENSHOTS");
    if (folder.isEmpty())
        return;
    QCoreApplication::processEvents();
    QTest::qWait(300);
    QDir().mkpath(folder);
    const QString scale = qEnvironmentVariable("QT_SCALE_FACTOR", QStringLiteral("1"));
    const QSize screen = QGuiApplication::primaryScreen()->size() *
                         QGuiApplication::primaryScreen()->devicePixelRatio();
    QProcess::execute(QStringLiteral("import"), {QStringLiteral("-window"), QStringLiteral("root"),
                                                 QStringLiteral("%1/%2-%3x%4-scale%5.png")
                                                     .arg(folder, name)
                                                     .arg(screen.width())
                                                     .arg(screen.height())
                                                     .arg(scale)});
}
