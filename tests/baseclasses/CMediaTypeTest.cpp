#include "baseclasses/CMediaType.h"

#include "tests/support/ComTestUtil.h"

#include <gtest/gtest.h>

namespace {

const BYTE kFormat[] = {1, 2, 3, 4, 5, 6, 7, 8};

CMediaType WithFormat()
{
    CMediaType mt(&MEDIATYPE_Stream);
    mt.SetSubtype(&MEDIASUBTYPE_MPEG2_PROGRAM);
    mt.SetFormatType(&FORMAT_MPEG2Video);
    EXPECT_TRUE(mt.SetFormat(kFormat, sizeof(kFormat)));
    return mt;
}

// Something to hang on pUnk, so that its references can be counted.
struct Counted : IUnknown {
    LONG refs = 1;
    STDMETHODIMP QueryInterface(REFIID, void** ppv) override
    {
        *ppv = nullptr;
        return E_NOINTERFACE;
    }
    STDMETHODIMP_(ULONG) AddRef() override { return ++refs; }
    STDMETHODIMP_(ULONG) Release() override { return --refs; }
};

TEST(CMediaTypeTest, CopiesOwnTheirFormatBlock)
{
    CMediaType original = WithFormat();
    CMediaType copy(original);
    CMediaType assigned;
    assigned = original;
    EXPECT_NE(copy.Format(), original.Format());
    EXPECT_NE(assigned.Format(), original.Format());
    EXPECT_TRUE(copy == original);
    EXPECT_TRUE(assigned == original);

    copy.Format()[0] = 99;
    EXPECT_TRUE(copy != original);
}

TEST(CMediaTypeTest, SelfAssignmentKeepsTheFormat)
{
    CMediaType mt = WithFormat();
    CMediaType& same = mt;
    mt = same;
    ASSERT_EQ(mt.FormatLength(), sizeof(kFormat));
    EXPECT_EQ(mt.Format()[7], 8);
}

TEST(CMediaTypeTest, EmptyFormatResetsTheBlock)
{
    CMediaType mt = WithFormat();
    EXPECT_TRUE(mt.SetFormat(nullptr, 0));
    EXPECT_EQ(mt.Format(), nullptr);
    EXPECT_EQ(mt.FormatLength(), 0u);
}

TEST(CMediaTypeTest, PartialTypesMatchOnWhatTheyName)
{
    CMediaType full = WithFormat();
    CMediaType anyStream(&MEDIATYPE_Stream);
    CMediaType video(&MEDIATYPE_Video);
    CMediaType nothing;
    EXPECT_TRUE(anyStream.IsPartiallySpecified());
    EXPECT_FALSE(full.IsPartiallySpecified());
    EXPECT_TRUE(full.MatchesPartial(&anyStream));
    EXPECT_TRUE(full.MatchesPartial(&nothing));
    EXPECT_FALSE(full.MatchesPartial(&video));

    CMediaType otherFormat = WithFormat();
    otherFormat.Format()[3] = 0;
    EXPECT_FALSE(full.MatchesPartial(&otherFormat));
}

TEST(CMediaTypeTest, CreateAndDeleteBalanceTheUnknownsReferences)
{
    Counted unk;
    CMediaType mt = WithFormat();
    mt.pUnk = &unk;
    unk.AddRef();
    AM_MEDIA_TYPE* pCopy = CreateMediaType(&mt);
    ASSERT_NE(pCopy, nullptr);
    EXPECT_EQ(unk.refs, 3);
    EXPECT_NE(pCopy->pbFormat, mt.pbFormat);
    DeleteMediaType(pCopy);
    EXPECT_EQ(unk.refs, 2);
    FreeMediaType(mt);
    EXPECT_EQ(unk.refs, 1);
    EXPECT_EQ(mt.pUnk, nullptr);
}

}  // namespace
