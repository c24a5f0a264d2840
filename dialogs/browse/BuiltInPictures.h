#pragma once

#include <QImage>
#include <QString>

// The nine pictures that come with the saver, numbered from 1, each with its tag.
// The image browser shows them; the saver takes the chosen one straight from here.
namespace browse {

inline constexpr int BuiltInPictureCount = 9;

// The tag ("Logo", "Birthday Cake", ...) of picture 1 to 9; empty for any other index.
QString BuiltInPictureTag(int index);

// Picture 1 to 9 at its natural size; a null image for any other index.
QImage BuiltInPicture(int index);

} // namespace browse
