#pragma once

#include <QByteArray>

namespace verandel {

// Reads the one frame an inbound connection carried: a 4-byte big-endian length N, then exactly N
// bytes. More or fewer bytes than the prefix promises, or trailing bytes, spoil the whole frame.
class FrameReader
{
public:
    enum class Problem { None, InsufficientData, SizeMismatch };

    struct Result
    {
        Problem problem = Problem::None;
        // The bytes after the prefix, when there is no problem.
        QByteArray envelopeJson;
        // The size the prefix announces, prefix included (for the mismatch report).
        quint64 expectedSize = 0;
    };

    static Result read(const QByteArray &stream);
};

} // namespace verandel
