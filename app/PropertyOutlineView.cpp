#include "app/PropertyOutlineView.h"

#include <QClipboard>
#include <QGuiApplication>
#include <QHeaderView>
#include <QKeyEvent>
#include <QPainter>

PropertyOutlineView::PropertyOutlineView(QWidget* parent) : QTreeView(parent) {
    setUniformRowHeights(true);
    setAlternatingRowColors(true);
    setTextElideMode(Qt::ElideRight);
    setSelectionMode(QAbstractItemView::ExtendedSelection);
    setSelectionBehavior(QAbstractItemView::SelectRows);
    setEditTriggers(QAbstractItemView::NoEditTriggers);
    header()->setStretchLastSection(true);
}

void PropertyOutlineView::setPlaceholderText(const QString& text) {
    m_placeholder = text;
    viewport()->update();
}

QString PropertyOutlineView::selectedRowsText() const {
    QModelIndexList rows = selectionModel() ? selectionModel()->selectedRows(0) : QModelIndexList();
    // In the order shown, not the order of selecting.
    std::sort(rows.begin(), rows.end(), [this](const QModelIndex& a, const QModelIndex& b) {
        return visualRect(a).top() < visualRect(b).top();
    });
    QStringList lines;
    for (const QModelIndex& row : rows) {
        const QString value = row.siblingAtColumn(1).data(Qt::DisplayRole).toString();
        lines << row.data(Qt::DisplayRole).toString() + QLatin1Char('\t') + value;
    }
    return lines.join(QLatin1Char('\n'));
}

void PropertyOutlineView::copySelectedRows() const {
    const QString text = selectedRowsText();
    if (!text.isEmpty())
        QGuiApplication::clipboard()->setText(text);
}

void PropertyOutlineView::keyPressEvent(QKeyEvent* event) {
    if (event->matches(QKeySequence::Copy)) {
        copySelectedRows();
        event->accept();
        return;
    }
    QTreeView::keyPressEvent(event);
}

void PropertyOutlineView::paintEvent(QPaintEvent* event) {
    QTreeView::paintEvent(event);
    if (m_placeholder.isEmpty() || (model() && model()->rowCount() > 0))
        return;
    QPainter painter(viewport());
    painter.setPen(palette().color(QPalette::PlaceholderText));
    painter.drawText(viewport()->rect().adjusted(8, 8, -8, -8), Qt::AlignCenter | Qt::TextWordWrap,
                     m_placeholder);
}
