#pragma once

#include <QImage>
#include <QString>

// The pictures that come with the saver, as Qt resources. The nine built-in pictures are
// numbered from 1, each with its tag; the image browser lists them and the saver shows
// the chosen one.
namespace assets {

inline constexpr int BuiltInPictureCount = 9;
inline constexpr int LogoIndex = 1;

// The tag ("Logo", "Birthday Cake", ...) of picture 1 to 9; empty for any other index.
QString BuiltInPictureTag(int index);

// Picture 1 to 9 at its natural size; a null image for any other index.
QImage BuiltInPicture(int index);

// The picture the small preview shows in place of the chosen one.
QImage DefaultPreviewPicture();

// The mark beside the image browser's message.
QImage CheckMark();

} // namespace assets
