// TerminalAccessible: the accessibility interface of TerminalWidget.  Role
// Terminal, named after the title the program set, with a text interface
// over the text of the view (AccessibleTextTracker) whose offsets map onto
// the cell grid for geometry and onto the widget's selection.  The widget
// registers the factory when it is constructed.
#pragma once

#include <QAccessibleWidget>

namespace vesper {

class AccessibleTextTracker;
class TerminalWidget;

class TerminalAccessible : public QAccessibleWidget, public QAccessibleTextInterface {
public:
    explicit TerminalAccessible(TerminalWidget *widget);

    void *interface_cast(QAccessible::InterfaceType type) override;
    QString text(QAccessible::Text t) const override;
    QAccessible::State state() const override;

    // QAccessibleTextInterface.  Character, word and line boundaries come
    // from Qt's own implementation over text(); lines end at LF.
    void selection(int selectionIndex, int *startOffset, int *endOffset) const override;
    int selectionCount() const override;
    void addSelection(int startOffset, int endOffset) override;
    void removeSelection(int selectionIndex) override;
    void setSelection(int selectionIndex, int startOffset, int endOffset) override;
    int cursorPosition() const override;
    void setCursorPosition(int position) override;
    QString text(int startOffset, int endOffset) const override;
    int characterCount() const override;
    QRect characterRect(int offset) const override;
    int offsetAtPoint(const QPoint &point) const override;
    void scrollToSubstring(int startIndex, int endIndex) override;
    QString attributes(int offset, int *startOffset, int *endOffset) const override;

private:
    TerminalWidget *terminal() const;
    AccessibleTextTracker &tracker() const;
    void select(int startOffset, int endOffset);
};

// Makes QAccessible create TerminalAccessible for every TerminalWidget.
void registerTerminalAccessible();

} // namespace vesper
