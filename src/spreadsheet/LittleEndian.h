#pragma once

#include <QtEndian>

#include <bit>

// Little-endian numbers at any address of a binary workbook (compound file, BIFF records); the
// callers have checked that the bytes are there.
namespace corvina::le {

inline quint16 u16(const void* p)
{
    return qFromLittleEndian<quint16>(p);
}
inline quint32 u32(const void* p)
{
    return qFromLittleEndian<quint32>(p);
}
inline quint64 u64(const void* p)
{
    return qFromLittleEndian<quint64>(p);
}
inline double f64(const void* p)
{
    return std::bit_cast<double>(u64(p));
}

} // namespace corvina::le
