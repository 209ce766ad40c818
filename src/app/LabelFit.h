#pragma once
// Label boxes whose text leaves a run of blanks where value boxes are placed
// over them ("od frekvence" + blanks + "Hz"): the words before the blanks
// must end left of the boxes and the unit after them must start right of
// them, with whatever font the system has. The text stays as it is; the
// label's font size and the spacing of its characters are chosen to fit.

class QLineEdit;

// Fits `label` to the visible siblings above it that cover part of it (its
// value boxes). A label whose text has no run of blanks, or that nothing
// covers, is left as it is. Returns false when no size and spacing fit.
bool fitLabelAroundBoxes(QLineEdit& label);
