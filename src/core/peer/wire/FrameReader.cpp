#include "peer/wire/FrameReader.h"

#include <QtEndian>

namespace verandel {

FrameReader::Result FrameReader::read(const QByteArray &stream)
{
    Result result;
    if (stream.size() < 4) {
        result.problem = Problem::InsufficientData;
        return result;
    }
    result.expectedSize = quint64(qFromBigEndian<quint32>(stream.constData())) + 4;
    if (result.expectedSize != static_cast<quint64>(stream.size())) {
        result.problem = Problem::SizeMismatch;
        return result;
    }
    result.envelopeJson = stream.mid(4);
    return result;
}

} // namespace verandel
