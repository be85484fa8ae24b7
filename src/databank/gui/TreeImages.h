// The pictures of the tree: strips drawn by the program itself, at 16 x 16 and at twice that for
// dense screens. Resources 4001-4008 hold one folder pair each (closed, then open) in eight colours;
// 5001-5016 hold one record each (a page, its lines in eight colours, plain or with a mark). So the
// list holds folder images 0-15 and record images 16-31; a stored index outside it reads as the
// default of its kind.
#pragma once

#include <QImage>

#include "databank/uTreeModel.h"

class TImageList;

inline constexpr int kFolderStripFirst = 4001;
inline constexpr int kFolderStripLast = 4008;
inline constexpr int kRecordStripFirst = 5001;
inline constexpr int kRecordStripLast = 5016;

// The strip of a resource at scale 1 or 2; a null image for an id that is not one of them.
QImage TreeImageStrip(int resourceId, int scale);

// Clears the list and loads every strip in order, folder strips first; missing strips are skipped.
// Gives back the ranges the loaded strips span.
TTreeImageRanges LoadTreeImageStrips(TImageList& list);
