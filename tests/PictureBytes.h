#pragma once

// Picture files the picture tests make byte by byte: encoded images, and metafiles built
// record by record, so a test can break any field it likes.

#include <QBuffer>
#include <QByteArray>
#include <QImage>
#include <QList>
#include <QPainter>
#include <QRect>
#include <QtEndian>

#include <initializer_list>
#include <optional>

namespace testing {

inline constexpr QRgb PictureRed = 0xffd02020;
inline constexpr QRgb PictureBlue = 0xff2040c0;

// A 40 x 30 picture with a red left half and a blue right half, so a decode can be checked.
inline QImage TwoColours()
{
    QImage image(40, 30, QImage::Format_RGB32);
    image.fill(PictureBlue);
    QPainter(&image).fillRect(0, 0, 20, 30, QColor(PictureRed));
    return image;
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
inline void Append(QByteArray &bytes, quint32 value, int size = 2)
{
    for (int i = 0; i < size; ++i)
        bytes.append(char(value >> (8 * i)));
}

// A BMP header claiming width x height pixels with a few bytes behind it; run-length coded
// (8 bits a pixel) or plain 24-bit.
inline QByteArray BmpHeader(qint32 width, qint32 height, bool runLength)
{
    QByteArray bytes(54 + 16, '\0');
    char *at = bytes.data();
    at[0] = 'B';
    at[1] = 'M';
    qToLittleEndian<quint32>(quint32(bytes.size()), at + 2);
    qToLittleEndian<quint32>(54, at + 10);
    qToLittleEndian<quint32>(40, at + 14);
    qToLittleEndian<qint32>(width, at + 18);
    qToLittleEndian<qint32>(height, at + 22);
    qToLittleEndian<quint16>(1, at + 26);
    qToLittleEndian<quint16>(runLength ? 8 : 24, at + 28);
    qToLittleEndian<quint32>(runLength ? 1 : 0, at + 30);
    // Run-length data: 255 pixels of colour 0, then the end of the bitmap.
    at[54] = char(0xFF);
    at[56] = 0;
    at[57] = 1;
    return bytes;
}

// One metafile record: its size in words, its function, its parameters.
inline QByteArray Record(quint16 function, std::initializer_list<int> parameters)
{
    QByteArray record;
    Append(record, quint32(3 + parameters.size()), 4);
    Append(record, function);
    for (const int parameter : parameters)
        Append(record, quint32(parameter));
    return record;
}

struct MetafileHeader
{
    QRect box = QRect(0, 0, 600, 450); // 600 x 450 twips: 40 x 30 pixels
    int unitsPerInch = 1440;
    quint16 objects = 1;
    std::optional<quint32> largestRecord = {}; // nothing: the true one
};

// A placeable metafile holding these records and an end record.
inline QByteArray Metafile(const QList<QByteArray> &records,
                           const MetafileHeader &header = MetafileHeader())
{
    QByteArray wmf;
    Append(wmf, 0x9AC6CDD7, 4);
    // Handle, box, units an inch, two reserved words; then a checksum of all that.
    const QRect &box = header.box;
    for (const int word :
         {0, box.left(), box.top(), box.right() + 1, box.bottom() + 1, header.unitsPerInch, 0, 0})
        Append(wmf, quint32(word));
    quint16 sum = 0;
    for (int at = 0; at < 20; at += 2)
        sum ^= qFromLittleEndian<quint16>(wmf.constData() + at);
    Append(wmf, sum);

    // In memory, 9 words of header, version 3; the size in words, the objects, the largest
    // record, no parameters.
    const QByteArray body = records.join() + Record(0x0000, {}); // end of file
    for (const quint32 word : {1, 9, 0x0300})
        Append(wmf, word);
    Append(wmf, quint32(9 + body.size() / 2), 4);
    Append(wmf, header.objects);
    Append(wmf, header.largestRecord.value_or(quint32(body.size() / 2)), 4);
    Append(wmf, 0);
    return wmf + body;
}

} // namespace testing
