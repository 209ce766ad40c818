#include "app/ComboBoxItem.h"

#include <QComboBox>
#include <QLineEdit>

int ItemIndex(const QComboBox& box) {
    const int index = box.currentIndex();
    if (index < 0) return -1;
    if (box.isEditable() && box.currentText() != box.itemText(index)) return -1;
    return index;
}

void SetItemIndex(QComboBox& box, int index) {
    if (index < 0 || index >= box.count()) {
        // No item: the box shows an empty text.
        box.setCurrentIndex(-1);
        if (box.isEditable()) box.setEditText(QString());
        return;
    }
    box.setCurrentIndex(index);
    // A typed text is replaced by the item, as when the item is chosen.
    if (box.isEditable()) {
        box.setEditText(box.itemText(index));
        // Show the text from its start, also where it is wider than the box.
        if (QLineEdit* line = box.lineEdit()) line->setCursorPosition(0);
    }
}
