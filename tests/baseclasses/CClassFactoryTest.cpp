#include "baseclasses/CClassFactory.h"

#include "tests/support/CTestSink.h"
#include "tests/support/ComTestUtil.h"

#include <gtest/gtest.h>

namespace {

// {2D6F0C4B-7A15-4F4E-8C0D-51E2A9B3C7D4}
const CLSID CLSID_FactoryTest = {0x2d6f0c4b, 0x7a15, 0x4f4e, {0x8c, 0x0d, 0x51, 0xe2, 0xa9, 0xb3, 0xc7, 0xd4}};

CUnknown* CreateSink(IUnknown* pUnkOuter, HRESULT*) { return new CTestSink(pUnkOuter); }

CUnknown* FailCreation(IUnknown*, HRESULT* phr)
{
    *phr = E_ACCESSDENIED;
    return new CTestSink;
}

const CFactoryTemplate g_Templates[] = {
    {L"Factory test sink", &CLSID_FactoryTest, CreateSink, nullptr, nullptr},
    {L"Failing", &CLSID_FilterGraph, FailCreation, nullptr, nullptr},
};
const CFactoryTable g_Table = {g_Templates, 2};

ComPtr<IClassFactory> FactoryFor(REFCLSID clsid)
{
    ComPtr<IClassFactory> factory;
    EXPECT_EQ(CClassFactory::GetClassObject(g_Table, clsid, IID_PPV_ARGS(&factory)), S_OK);
    return factory;
}

// An object that aggregates another: QueryInterface goes to the inner unknown.
struct Outer : IUnknown {
    LONG refs = 1;
    IUnknown* inner = nullptr;
    STDMETHODIMP QueryInterface(REFIID riid, void** ppv) override
    {
        if (riid == IID_IUnknown) {
            *ppv = this;
            AddRef();
            return S_OK;
        }
        return inner->QueryInterface(riid, ppv);
    }
    STDMETHODIMP_(ULONG) AddRef() override { return ++refs; }
    STDMETHODIMP_(ULONG) Release() override { return --refs; }
};

TEST(CClassFactoryTest, GetClassObjectChecksInterfaceAndClass)
{
    void* pv = reinterpret_cast<void*>(1);
    EXPECT_EQ(CClassFactory::GetClassObject(g_Table, CLSID_FactoryTest, IID_IPersist, &pv), E_NOINTERFACE);
    EXPECT_EQ(pv, nullptr);
    EXPECT_EQ(CClassFactory::GetClassObject(g_Table, CLSID_SystemClock, IID_IClassFactory, &pv),
              CLASS_E_CLASSNOTAVAILABLE);
    EXPECT_EQ(CClassFactory::GetClassObject(g_Table, CLSID_FactoryTest, IID_IClassFactory, nullptr), E_POINTER);

    ComPtr<IUnknown> unknown;
    ASSERT_EQ(CClassFactory::GetClassObject(g_Table, CLSID_FactoryTest, IID_PPV_ARGS(&unknown)), S_OK);
    EXPECT_TRUE(Supports(unknown.Get(), IID_IClassFactory));
    EXPECT_EQ(RefCount(unknown.Get()), 1u);
}

TEST(CClassFactoryTest, CreateInstanceHandsOutOneReference)
{
    ComPtr<IClassFactory> factory = FactoryFor(CLSID_FactoryTest);
    IBaseFilter* pFilter = nullptr;
    ASSERT_EQ(factory->CreateInstance(nullptr, IID_PPV_ARGS(&pFilter)), S_OK);
    EXPECT_EQ(pFilter->Release(), 0u);

    void* pv = reinterpret_cast<void*>(1);
    EXPECT_EQ(factory->CreateInstance(nullptr, IID_IPin, &pv), E_NOINTERFACE);
    EXPECT_EQ(pv, nullptr);
}

TEST(CClassFactoryTest, AFailedConstructionIsReportedAndCleanedUp)
{
    ComPtr<IClassFactory> factory = FactoryFor(CLSID_FilterGraph);
    LONG before = CBaseObject::ObjectsActive();
    void* pv = nullptr;
    EXPECT_EQ(factory->CreateInstance(nullptr, IID_IUnknown, &pv), E_ACCESSDENIED);
    EXPECT_EQ(pv, nullptr);
    EXPECT_EQ(CBaseObject::ObjectsActive(), before);
}

TEST(CClassFactoryTest, AnAggregatedObjectDelegatesToItsOuter)
{
    ComPtr<IClassFactory> factory = FactoryFor(CLSID_FactoryTest);
    Outer outer;
    void* pv = nullptr;
    EXPECT_EQ(factory->CreateInstance(&outer, IID_IBaseFilter, &pv), E_NOINTERFACE);
    ASSERT_EQ(factory->CreateInstance(&outer, IID_IUnknown, reinterpret_cast<void**>(&outer.inner)), S_OK);

    IBaseFilter* pFilter = nullptr;
    ASSERT_EQ(outer.QueryInterface(IID_PPV_ARGS(&pFilter)), S_OK);
    EXPECT_EQ(outer.refs, 2);  // the reference went to the outer object
    IUnknown* pIdentity = nullptr;
    ASSERT_EQ(pFilter->QueryInterface(IID_PPV_ARGS(&pIdentity)), S_OK);
    EXPECT_EQ(pIdentity, static_cast<IUnknown*>(&outer));
    pIdentity->Release();
    pFilter->Release();
    EXPECT_EQ(outer.refs, 1);
    EXPECT_EQ(outer.inner->Release(), 0u);
}

TEST(CClassFactoryTest, ModuleCanUnloadOnlyWhenIdleAndUnlocked)
{
    EXPECT_EQ(CClassFactory::CanUnloadNow(), S_OK);
    {
        ComPtr<IClassFactory> factory = FactoryFor(CLSID_FactoryTest);
        EXPECT_EQ(CClassFactory::CanUnloadNow(), S_FALSE);
        ComPtr<IBaseFilter> filter;
        ASSERT_EQ(factory->CreateInstance(nullptr, IID_PPV_ARGS(&filter)), S_OK);
        ASSERT_EQ(factory->LockServer(TRUE), S_OK);
    }
    EXPECT_EQ(CClassFactory::CanUnloadNow(), S_FALSE);  // locked, with no object left
    ComPtr<IClassFactory> factory = FactoryFor(CLSID_FactoryTest);
    ASSERT_EQ(factory->LockServer(FALSE), S_OK);
    factory.Reset();
    EXPECT_EQ(CClassFactory::CanUnloadNow(), S_OK);
}

}  // namespace
