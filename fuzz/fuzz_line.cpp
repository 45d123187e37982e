// Reply framing and the byte/text conversions of the wire.
//
// Input: byte 0 picks the line limit kind, byte 1 its size, bytes 2-3 seed the piece
// sizes; the rest is the byte stream as the instrument sends it. The same bytes, read
// as UTF-16 code units, are also a command to encode.
#include <QByteArray>
#include <QString>
#include <cstddef>
#include <cstdint>
#include <cstdio>
#include <cstdlib>

#include "link/exchange.h"

namespace {

void Require(bool ok, const char* what) {
    if (!ok) {
        std::fprintf(stderr, "invariant broken: %s\n", what);
        std::abort();
    }
}

using Status = orvr::LineReader::Status;

// What the reader must report after the first k bytes of the stream, where lf is the
// index of the stream's first LF (or npos).
Status Expected(std::size_t k, std::size_t lf, std::size_t max) {
    if (lf < k && lf <= max)
        return Status::Done;
    if (k > max)
        return Status::TooLong;
    return Status::NeedMore;
}

int MaxLine(uint8_t kind, uint8_t size) {
    switch (kind % 4) {
        case 0:
            return size % 8;  // the limit itself and the bytes around it
        case 1:
            return size;
        case 2:
            return size * 37;
        default:
            return 256000;
    }
}

void CheckReader(const uint8_t* head, const char* stream, std::size_t size) {
    const int max = MaxLine(head[0], head[1]);
    const auto umax = static_cast<std::size_t>(max);
    std::size_t lf = 0;
    while (lf < size && stream[lf] != '\n')
        ++lf;
    if (lf == size)
        lf = static_cast<std::size_t>(-1);

    orvr::LineReader reader(max);
    uint32_t rng = head[2] | head[3] << 8 | 1u << 16;
    std::size_t fed = 0;
    Status last = Status::NeedMore;
    QByteArray doneLine;
    while (fed < size) {
        rng = rng * 1103515245u + 12345u;
        // Mostly short pieces, sometimes empty ones, now and then everything left.
        const uint32_t pick = rng >> 16;
        std::size_t piece = pick % 13 == 0 ? size - fed : pick % 9;
        if (piece > size - fed)
            piece = size - fed;
        const Status s = reader.feed(stream + fed, piece);
        fed += piece;

        Require(s == Expected(fed, lf, umax), "status after a piece matches the stream so far");
        Require(!reader.line().contains('\n'), "line holds no LF");
        Require(reader.line().size() <= max, "line never exceeds the limit");
        if (last != Status::NeedMore)
            Require(s == last, "Done and TooLong are final");
        if (last == Status::Done)
            Require(reader.line() == doneLine, "line stays as it was once done");
        if (s == Status::Done && last != Status::Done) {
            QByteArray want(stream, static_cast<qsizetype>(lf));
            if (want.endsWith('\r'))
                want.chop(1);
            Require(reader.line() == want, "line is the bytes before the LF less one CR");
            doneLine = reader.line();
        }
        last = s;
    }
    Require(last == Expected(size, lf, umax), "final status matches the stream");

    const QByteArray& line = reader.line();
    const QString text = orvr::DecodeReply(line.constData(), static_cast<std::size_t>(line.size()));
    Require(text.size() == line.size(), "one code unit per reply byte");
    for (qsizetype i = 0; i < line.size(); ++i) {
        const auto b = static_cast<unsigned char>(line[i]);
        Require(text[i].unicode() == (b < 0x80 ? b : 0xFFFD), "byte decoded as itself or U+FFFD");
    }
}

void CheckDecodeAll(const char* data, std::size_t size) {
    const QString text = orvr::DecodeReply(data, size);
    Require(static_cast<std::size_t>(text.size()) == size, "one code unit per byte");
    for (std::size_t i = 0; i < size; ++i) {
        const auto b = static_cast<unsigned char>(data[i]);
        Require(text[static_cast<qsizetype>(i)].unicode() == (b < 0x80 ? b : 0xFFFD),
                "byte decoded as itself or U+FFFD");
    }
}

void CheckEncode(const uint8_t* data, std::size_t size) {
    QString command;
    for (std::size_t i = 0; i + 1 < size; i += 2)
        command.append(QChar(static_cast<char16_t>(data[i] | data[i + 1] << 8)));
    // Latin-1 reading of the same bytes: ASCII commands with the odd non-ASCII letter.
    const QString latin =
        QString::fromLatin1(reinterpret_cast<const char*>(data), static_cast<qsizetype>(size));
    for (const QString& c : {command, latin}) {
        const QByteArray wire = orvr::EncodeRequest(c);
        Require(wire.size() == c.size() + 2, "one byte per code unit, then CR LF");
        Require(wire.endsWith("\r\n"), "request ends in CR LF");
        Require(wire.count('\n') == 1, "request is exactly one line");
        for (qsizetype i = 0; i < c.size(); ++i) {
            const char16_t u = c[i].unicode();
            const char want = (u >= 0x20 && u < 0x7F) ? static_cast<char>(u) : '?';
            Require(wire[i] == want, "printable ASCII as is, everything else as '?'");
        }
    }
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, std::size_t size) {
    if (size < 4)
        return 0;
    const char* stream = reinterpret_cast<const char*>(data + 4);
    CheckReader(data, stream, size - 4);
    CheckDecodeAll(reinterpret_cast<const char*>(data), size);
    CheckEncode(data, size);
    return 0;
}
