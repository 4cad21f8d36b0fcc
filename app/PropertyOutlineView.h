#pragma once

#include <QPointer>
#include <QTreeView>

class QAction;
class QMessageBox;

// The property tree: a word in place of an empty tree, Ctrl+C copies the
// selected rows as "name<TAB>value" lines, a filter narrows it to the rows
// whose name or value holds a text (with the sets that hold them), and its
// context menu copies a row or its value and shows a value as stored.
class PropertyOutlineView : public QTreeView {
    Q_OBJECT
public:
    // On the value column: the value as stored, and the shown value whole.
    static constexpr int StoredValueRole = Qt::UserRole + 2;
    static constexpr int ValueTextRole = Qt::UserRole + 3;

    explicit PropertyOutlineView(QWidget* parent = nullptr);

    void setPlaceholderText(const QString& text);
    QString placeholderText() const { return m_placeholder; }
    // The selected rows as the clipboard gets them.
    QString selectedRowsText() const;
    void copySelectedRows() const;
    void copyCurrentValue() const;
    // A small window with the current row's value as stored.
    void showStoredValue();
    QMessageBox* storedValueBox() const;

    // Hides the rows that neither match nor hold a match; "" shows all.
    void setFilterText(const QString& text);
    // Again, over a model filled anew.
    void applyFilter();

    QAction* copyValueAction() const { return m_copyValue; }
    QAction* storedValueAction() const { return m_showStored; }

protected:
    bool event(QEvent* event) override;
    void paintEvent(QPaintEvent* event) override;
    void keyPressEvent(QKeyEvent* event) override;
    void contextMenuEvent(QContextMenuEvent* event) override;

private:
    bool filterRows(const QModelIndex& parent, bool showAll);
    bool anyRowShown() const;
    void updateActions();

    QString m_placeholder;
    QString m_filter;
    QAction* m_copy;
    QAction* m_copyValue;
    QAction* m_showStored;
    QPointer<QMessageBox> m_storedBox;
};
