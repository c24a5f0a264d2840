#pragma once

// Picture files the picture tests make byte by byte: encoded images, and headers and
// metafile records built field by field, so a test can break any field it likes.

#include <QBuffer>
#include <QByteArray>
#include <QFile>
#include <QImage>
#include <QList>
#include <QPainter>
#include <QtEndian>

#include <initializer_list>
#include <optional>

namespace testing {

// A 40 x 30 picture with a red left half and a blue right half, so a decode can be checked.
inline QImage TwoColours()
{
    QImage image(40, 30, QImage::Format_RGB32);
    image.fill(0xff2040c0);
    QPainter(&image).fillRect(0, 0, 20, 30, QColor(0xffd02020));
    return image;
}

// Writes the file anew; false when it could not.
inline bool WriteFile(const QString &path, const QByteArray &bytes)
{
    QFile file(path);
    return file.open(QIODevice::WriteOnly) && file.write(bytes) == bytes.size() && file.flush();
}

inline QByteArray Encoded(const QImage &image, const char *format)
{
    QByteArray bytes;
    QBuffer buffer(&bytes);
    buffer.open(QIODevice::WriteOnly);
    image.save(&buffer, format);
    return bytes;
}

// Appends the low `size` bytes of the number, least significant first.
inline QByteArray &Append(QByteArray &bytes, quint32 value, int size = 2)
{
    for (int i = 0; i < size; ++i)
        bytes.append(char(value >> (8 * i)));
    return bytes;
}

// A run-length coded BMP (8 bits a pixel) claiming width x height pixels, whose runs are
// 255 pixels of colour 0 and the end: its size cannot be checked against the file's.
inline QByteArray RleBmp(qint32 width, qint32 height)
{
    QByteArray bmp("BM");
    // File size, reserved, where the runs start, header size, size, 1 plane, 8 bits, RLE8.
    for (const quint32 field : {58u, 0u, 54u, 40u, quint32(width), quint32(height), 0x80001u, 1u})
        Append(bmp, field, 4);
    return bmp.leftJustified(54, '\0').append("\xFF\0\0\1", 4);
}

// Qt writes no GIF, so this does: width x height claimed by both the screen (128 colours,
// the first red) and the picture, and 40 x 30 pixels of red behind them as 8-bit codes,
// 100 a block after a clear code, so that the code width never grows.
inline QByteArray Gif(quint16 width, quint16 height)
{
    QByteArray gif("GIF89a");
    Append(gif, quint32(height) << 16 | width, 4);
    gif.append("\xF6\0\0\xFF", 4).append(QByteArray(128 * 3 - 1, '\0')).append(",\0\0\0\0", 5);
    Append(gif, quint32(height) << 16 | width, 4).append("\0\x07", 2);
    for (int block = 0; block < 12; ++block)
        gif.append("\x65\x80", 2).append(QByteArray(100, '\0'));
    return gif.append("\x01\x81\0;", 4); // end of information, of the blocks, of the file
}

// A real JPEG whose frame header claims another size.
inline QByteArray JpegClaiming(quint16 width, quint16 height)
{
    QByteArray jpeg = Encoded(TwoColours(), "JPEG");
    qToBigEndian(quint32(height) << 16 | width, jpeg.data() + jpeg.indexOf("\xFF\xC0") + 5);
    return jpeg;
}

enum : quint16 { SelectObject = 0x012D, DeleteObject = 0x01F0, SetWindowExt = 0x020C };
enum : quint16 { LineTo = 0x0213, CreateBrush = 0x02FC, Rectangle = 0x041B };

// One metafile record: its size in words (unless another is claimed), function, parameters.
inline QByteArray Record(std::initializer_list<int> words, std::optional<quint32> claimed = {})
{
    QByteArray record;
    Append(record, claimed.value_or(quint32(2 + words.size())), 4);
    for (const int word : words)
        Append(record, quint32(word));
    return record;
}

struct MetafileHeader
{
    quint16 width = 600, height = 450, unitsPerInch = 1440; // in twips: 40 x 30 pixels
    quint16 objects = 1;
    std::optional<quint32> largestRecord = {}; // nothing: the true one
};

// A placeable metafile that chooses a red brush, plays these records, fills a rectangle
// with the brush and ends.
inline QByteArray Metafile(const QList<QByteArray> &records, const MetafileHeader &header = {})
{
    QByteArray wmf;
    // Key, handle, box, units an inch, two reserved words; then a checksum of all that.
    for (const quint32 word : QList<quint32>{0xCDD7, 0x9AC6, 0, 0, 0, header.width, header.height,
                                             header.unitsPerInch, 0, 0})
        Append(wmf, word);
    quint16 sum = 0;
    for (int at = 0; at < 20; at += 2)
        sum ^= qFromLittleEndian<quint16>(wmf.constData() + at);
    Append(wmf, sum);

    // In memory, 9 words of header, version 3; the size in words, the objects, the largest
    // record (two words each but the objects), no parameters.
    const QByteArray body = Record({CreateBrush, 0, 0x00FF, 0, 0}) + Record({SelectObject, 0}) +
                            records.join() + Record({Rectangle, 450, 300, 0, 0}) + Record({0});
    const quint32 size = 9 + body.size() / 2, largest = header.largestRecord.value_or(size);
    for (const quint32 word :
         QList<quint32>{1, 9, 0x300, size, size >> 16, header.objects, largest, largest >> 16, 0})
        Append(wmf, word);
    return wmf + body;
}

// A metafile libwmf takes tens of seconds to draw: 4000 x 4000 pixels filled 800 times.
inline QByteArray SlowMetafile()
{
    return Metafile(QList<QByteArray>(800, Record({Rectangle, 4000, 4000, 0, 0})),
                    {.width = 4000, .height = 4000, .unitsPerInch = 96});
}

} // namespace testing
