#pragma once

#include <QTreeView>

// The property tree: a word in place of an empty tree, and Ctrl+C copies the
// selected rows as "name<TAB>value" lines.
class PropertyOutlineView : public QTreeView {
    Q_OBJECT
public:
    explicit PropertyOutlineView(QWidget* parent = nullptr);

    void setPlaceholderText(const QString& text);
    QString placeholderText() const { return m_placeholder; }
    // The selected rows as the clipboard gets them.
    QString selectedRowsText() const;
    void copySelectedRows() const;

protected:
    void paintEvent(QPaintEvent* event) override;
    void keyPressEvent(QKeyEvent* event) override;

private:
    QString m_placeholder;
};
