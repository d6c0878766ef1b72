#include "framework/runtime_class.h"

#include <cstring>

const CRuntimeClass CObject::classCObject = {"CObject", nullptr, nullptr};

bool CRuntimeClass::IsDerivedFrom(const CRuntimeClass* base) const {
    if (!base) return false;
    for (const CRuntimeClass* c = this; c; c = c->m_pBaseClass) {
        if (c == base || std::strcmp(c->m_lpszClassName, base->m_lpszClassName) == 0) return true;
    }
    return false;
}
