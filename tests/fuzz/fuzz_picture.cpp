// The picture loader over any file content, written to a file with the extension of one
// format (LUMIDEX_PICTURE_EXTENSION). Beyond not crashing: a picture it accepts is one it
// said it would hold. libFuzzer's -malloc_limit_mb turns a decompression bomb the loader
// lets through into a failure.
#include "FuzzSupport.h"

#include "platform/Pictures.h"

#include <QFile>
#include <QGuiApplication>
#include <QTemporaryDir>

#include <cstdlib>

namespace {

QString InputPath;

} // namespace

extern "C" int LLVMFuzzerInitialize(int *, char ***)
{
    // Qt's image readers are plugins, found through the application object.
    setenv("QT_QPA_PLATFORM", "offscreen", 1);
    static int argc = 1;
    static char name[] = "fuzz_picture";
    static char *argv[] = {name, nullptr};
    static QGuiApplication application(argc, argv);
    static QTemporaryDir folder;
    if (!folder.isValid())
        std::abort();
    InputPath = folder.filePath(QStringLiteral("input." LUMIDEX_PICTURE_EXTENSION));
    return 0;
}

extern "C" int LLVMFuzzerTestOneInput(const uint8_t *data, size_t size)
{
    {
        QFile file(InputPath);
        if (!file.open(QIODevice::WriteOnly | QIODevice::Truncate) ||
            file.write(reinterpret_cast<const char *>(data), qint64(size)) != qint64(size))
            std::abort();
    }
    const core::Converted<QImage> picture = platform::LoadPicture(InputPath);
    if (!picture.ok()) {
        if (picture.failure.number != core::InvalidPicture)
            fuzz::Fail("a file that exists is not just an invalid picture",
                       picture.failure.description);
        return 0;
    }
    const QImage &image = *picture.value;
    if (image.isNull() || qint64(image.width()) * image.height() > platform::LargestPicturePixels)
        fuzz::Fail("a picture beyond what the loader holds",
                   QStringLiteral("%1 x %2").arg(image.width()).arg(image.height()));
    return 0;
}
