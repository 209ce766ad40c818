#pragma once
// Item index of the window's combo boxes. The boxes accept typed text; while
// the text shown matches no item the box has no item selected (-1), whatever
// item was chosen last. Every handler reads the index through ItemIndex.

class QComboBox;

int ItemIndex(const QComboBox& box);
// Selects an item from code (-1 or out of range: none, empty text). Raises no
// click event.
void SetItemIndex(QComboBox& box, int index);
