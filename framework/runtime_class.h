#pragma once
// Run-time class records: a class's name, its base and a factory. The workstation creates a
// module's documents, frames and views only through the records the module registered, so it
// needs to know nothing of their types.

class CObject;

struct CRuntimeClass {
    const char* m_lpszClassName;
    // Null for a class that cannot be created by name.
    CObject* (*m_pfnCreateObject)();
    const CRuntimeClass* m_pBaseClass;

    // A new object owned by the caller; null when the class is not creatable.
    CObject* CreateObject() const { return m_pfnCreateObject ? m_pfnCreateObject() : nullptr; }
    // True when this class is base or derives from it. Records are compared by name too,
    // since a module built with hidden symbols may carry copies of a framework record.
    bool IsDerivedFrom(const CRuntimeClass* base) const;
};

class CObject {
  public:
    virtual ~CObject() = default;
    virtual const CRuntimeClass* GetRuntimeClass() const { return &classCObject; }
    bool IsKindOf(const CRuntimeClass* cls) const { return GetRuntimeClass()->IsDerivedFrom(cls); }

    static const CRuntimeClass classCObject;
};

#define RUNTIME_CLASS(cls) (&cls::class##cls)

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
    static CObject* CreateObject();

#define IMPLEMENT_DYNCREATE(cls, base)               \
    CObject* cls::CreateObject() { return new cls; } \
    const CRuntimeClass cls::class##cls = {#cls, &cls::CreateObject, RUNTIME_CLASS(base)};
