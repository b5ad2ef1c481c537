#pragma once
// The eighteen smiley pictures, ":)#10" to ":)#27", drawn rather than stored
// so that they stay sharp at every text size.

#include <QIcon>
#include <QImage>

// Picture 0..17 (":)#10" is 0), `size` pixels square; anything else draws picture 0.
QImage smileyImage(int picture, int size);
QIcon smileyIcon(int picture);
