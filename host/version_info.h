#pragma once
// The version record documents write after their first envelope string: a magic word and
// two integers.
#include <cstdint>

class CArchive;

class CVersionInfo {
  public:
    // The archive and document are not owned; the document is not used.
    CVersionInfo(CArchive& ar, const void* document, int32_t major, int32_t minor)
        : m_ar(ar), m_major(major), m_minor(minor) {}

    // Writes the record.
    void Mark();
    // Reads a record; true when it carries the magic word. The version read is kept.
    bool IsMark();
    int32_t ReadMajor() const { return m_readMajor; }
    int32_t ReadMinor() const { return m_readMinor; }

    static constexpr uint32_t kMagic = 0x56545243;  // "CRTV"

  private:
    CArchive& m_ar;
    int32_t m_major, m_minor;
    int32_t m_readMajor = 0, m_readMinor = 0;
};
