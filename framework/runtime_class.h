#pragma once
// Run-time class records: a class's name, its base and a factory. The workstation creates a
// module's documents, frames and views only through the records the module registered, so it
// needs to know nothing of their types.

#include <memory>

struct CRuntimeClass;

class CObject {
  public:
    virtual ~CObject() = default;
    virtual const CRuntimeClass* GetRuntimeClass() const { return &classCObject; }
    bool IsKindOf(const CRuntimeClass* cls) const;

    static const CRuntimeClass classCObject;
};

struct CRuntimeClass {
    const char* m_lpszClassName;
    // Null for a class that cannot be created by name.
    std::unique_ptr<CObject> (*m_pfnCreateObject)();
    const CRuntimeClass* m_pBaseClass;

    // A new object; null when the class is not creatable.
    std::unique_ptr<CObject> CreateObject() const {
        return m_pfnCreateObject ? m_pfnCreateObject() : nullptr;
    }
    // True when this class is base or derives from it. Records are compared by name too,
    // since a module built with hidden symbols may carry copies of a framework record.
    bool IsDerivedFrom(const CRuntimeClass* base) const;
};

inline bool CObject::IsKindOf(const CRuntimeClass* cls) const {
    return GetRuntimeClass()->IsDerivedFrom(cls);
}

#define RUNTIME_CLASS(cls) (&cls::class##cls)

// A new object of the class cls records when that class derives from base, T's record; null
// when it does not, or cannot be created by name.
template <class T>
std::unique_ptr<T> CreateObjectAs(const CRuntimeClass* cls, const CRuntimeClass* base) {
    if (!cls || !cls->IsDerivedFrom(base)) return nullptr;
    std::unique_ptr<CObject> object = cls->CreateObject();
    T* typed = dynamic_cast<T*>(object.get());
    if (!typed) return nullptr;
    object.release();
    return std::unique_ptr<T>(typed);
}

// A class with a record but no factory (abstract bases).
#define DECLARE_DYNAMIC(cls)               \
  public:                                  \
    static const CRuntimeClass class##cls; \
    const CRuntimeClass* GetRuntimeClass() const override { return &class##cls; }

#define IMPLEMENT_DYNAMIC(cls, base) \
    const CRuntimeClass cls::class##cls = {#cls, nullptr, RUNTIME_CLASS(base)};

// A class created by name through its record (default constructor).
#define DECLARE_DYNCREATE(cls) \
    DECLARE_DYNAMIC(cls)       \
    static std::unique_ptr<CObject> CreateObject();

#define IMPLEMENT_DYNCREATE(cls, base)                                                         \
    std::unique_ptr<CObject> cls::CreateObject() { return std::unique_ptr<CObject>(new cls); } \
    const CRuntimeClass cls::class##cls = {#cls, &cls::CreateObject, RUNTIME_CLASS(base)};
