#include "app/PropertyOutlineView.h"

#include <QAction>
#include <QClipboard>
#include <QContextMenuEvent>
#include <QGuiApplication>
#include <QHeaderView>
#include <QKeyEvent>
#include <QMenu>
#include <QMessageBox>
#include <QPainter>

PropertyOutlineView::PropertyOutlineView(QWidget* parent) : QTreeView(parent) {
    setUniformRowHeights(true);
    setAlternatingRowColors(true);
    setTextElideMode(Qt::ElideRight);
    setSelectionMode(QAbstractItemView::ExtendedSelection);
    setSelectionBehavior(QAbstractItemView::SelectRows);
    setEditTriggers(QAbstractItemView::NoEditTriggers);
    header()->setStretchLastSection(true);

    // The menu's own: their keys are shown there and work while it is open;
    // Ctrl+C on the tree itself is the key press below (and the Edit menu's).
    m_copy = new QAction(tr("&Copy"), this);
    m_copy->setObjectName(QStringLiteral("outlineCopyItem"));
    m_copy->setShortcuts(QKeySequence::Copy);
    m_copy->setShortcutContext(Qt::WidgetShortcut);
    connect(m_copy, &QAction::triggered, this, &PropertyOutlineView::copySelectedRows);
    m_copyValue = new QAction(tr("Copy &Value"), this);
    m_copyValue->setObjectName(QStringLiteral("outlineCopyValueItem"));
    connect(m_copyValue, &QAction::triggered, this, &PropertyOutlineView::copyCurrentValue);
    m_showStored = new QAction(tr("Show &Stored Value…"), this);
    m_showStored->setObjectName(QStringLiteral("outlineStoredValueItem"));
    connect(m_showStored, &QAction::triggered, this, &PropertyOutlineView::showStoredValue);
}

void PropertyOutlineView::setPlaceholderText(const QString& text) {
    m_placeholder = text;
    viewport()->update();
}

QString PropertyOutlineView::selectedRowsText() const {
    QModelIndexList rows = selectionModel() ? selectionModel()->selectedRows(0) : QModelIndexList();
    // In the order shown, not the order of selecting; hidden rows are not copied.
    rows.erase(std::remove_if(
                   rows.begin(), rows.end(),
                   [this](const QModelIndex& row) { return isRowHidden(row.row(), row.parent()); }),
               rows.end());
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

void PropertyOutlineView::copyCurrentValue() const {
    const QModelIndex value = currentIndex().siblingAtColumn(1);
    const QVariant whole = value.data(ValueTextRole);
    const QString text = whole.isValid() ? whole.toString() : value.data().toString();
    if (value.isValid() && !text.isEmpty())
        QGuiApplication::clipboard()->setText(text);
}

void PropertyOutlineView::showStoredValue() {
    const QModelIndex current = currentIndex();
    const QVariant stored = current.siblingAtColumn(1).data(StoredValueRole);
    if (!stored.isValid())
        return;
    if (!m_storedBox) {
        m_storedBox = new QMessageBox(this);
        m_storedBox->setObjectName(QStringLiteral("storedValueBox"));
        m_storedBox->setWindowTitle(tr("Stored Value"));
        m_storedBox->setIcon(QMessageBox::NoIcon);
        m_storedBox->setStandardButtons(QMessageBox::Close);
        m_storedBox->setTextInteractionFlags(Qt::TextSelectableByMouse);
        m_storedBox->setWindowModality(Qt::NonModal);
    }
    const QString key = current.siblingAtColumn(0).data(Qt::ToolTipRole).toString();
    m_storedBox->setText(
        tr("%1 is stored as")
            .arg(key.isEmpty() ? current.siblingAtColumn(0).data().toString() : key));
    m_storedBox->setInformativeText(stored.toString());
    m_storedBox->show();
    m_storedBox->raise();
}

QMessageBox* PropertyOutlineView::storedValueBox() const {
    return m_storedBox;
}

void PropertyOutlineView::updateActions() {
    const QModelIndex current = currentIndex();
    const bool selected = selectionModel() && selectionModel()->hasSelection();
    m_copy->setEnabled(selected);
    m_copyValue->setEnabled(current.isValid() && !model()->hasChildren(current.siblingAtColumn(0)));
    m_showStored->setEnabled(current.siblingAtColumn(1).data(StoredValueRole).isValid());
}

void PropertyOutlineView::contextMenuEvent(QContextMenuEvent* event) {
    // The row under the pointer is the one the menu is about.
    const QModelIndex under = indexAt(event->pos());
    if (under.isValid() && selectionModel() &&
        !selectionModel()->isRowSelected(under.row(), under.parent()))
        setCurrentIndex(under);
    else if (under.isValid())
        selectionModel()->setCurrentIndex(under, QItemSelectionModel::NoUpdate);
    if (!model() || !currentIndex().isValid())
        return;
    updateActions();
    QMenu menu(this);
    menu.addAction(m_copy);
    menu.addAction(m_copyValue);
    menu.addSeparator();
    menu.addAction(m_showStored);
    menu.exec(event->globalPos());
}

void PropertyOutlineView::setFilterText(const QString& text) {
    const QString trimmed = text.trimmed();
    if (trimmed == m_filter)
        return;
    m_filter = trimmed;
    applyFilter();
}

void PropertyOutlineView::applyFilter() {
    if (model())
        filterRows(QModelIndex(), m_filter.isEmpty());
    viewport()->update();
}

// A row shows where its name, stored key or value holds the text, or one of
// its rows does; a set that matches by its own name shows all it holds.
bool PropertyOutlineView::filterRows(const QModelIndex& parent, bool showAll) {
    bool any = false;
    const QAbstractItemModel* m = model();
    for (int row = 0; row < m->rowCount(parent); ++row) {
        const QModelIndex key = m->index(row, 0, parent);
        const QModelIndex value = m->index(row, 1, parent);
        const bool matches =
            showAll || key.data().toString().contains(m_filter, Qt::CaseInsensitive) ||
            key.data(Qt::ToolTipRole).toString().contains(m_filter, Qt::CaseInsensitive) ||
            value.data().toString().contains(m_filter, Qt::CaseInsensitive);
        bool holds = false;
        if (m->hasChildren(key)) {
            holds = filterRows(key, matches);
            // The sets holding a match open to show it.
            if (holds && !showAll && !m_filter.isEmpty())
                expand(key);
        }
        const bool shown = matches || holds;
        setRowHidden(row, parent, !shown);
        any = any || shown;
    }
    return any;
}

bool PropertyOutlineView::anyRowShown() const {
    const QAbstractItemModel* m = model();
    for (int row = 0; m && row < m->rowCount(); ++row) {
        if (!isRowHidden(row, QModelIndex()))
            return true;
    }
    return false;
}

bool PropertyOutlineView::event(QEvent* event) {
    // Ctrl+C on the tree is the tree's own, before any window's Copy.
    if (event->type() == QEvent::ShortcutOverride &&
        static_cast<QKeyEvent*>(event)->matches(QKeySequence::Copy)) {
        event->accept();
        return true;
    }
    return QTreeView::event(event);
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
    const bool empty = !model() || model()->rowCount() == 0;
    const QString text = empty ? m_placeholder
                         : !m_filter.isEmpty() && !anyRowShown()
                             ? tr("No property holds “%1”").arg(m_filter)
                             : QString();
    if (text.isEmpty())
        return;
    QPainter painter(viewport());
    painter.setPen(palette().color(QPalette::PlaceholderText));
    painter.drawText(viewport()->rect().adjusted(8, 8, -8, -8), Qt::AlignCenter | Qt::TextWordWrap,
                     text);
}
