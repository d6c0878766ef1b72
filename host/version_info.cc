#include "host/version_info.h"

#include "host/archive.h"

void CVersionInfo::Mark() {
    m_ar.WriteU32(kMagic);
    m_ar.WriteI32(m_major);
    m_ar.WriteI32(m_minor);
}

bool CVersionInfo::IsMark() {
    uint32_t magic = m_ar.ReadU32();
    m_readMajor = m_ar.ReadI32();
    m_readMinor = m_ar.ReadI32();
    return magic == kMagic;
}
