#pragma once
// AM_MEDIA_TYPE that owns its format block (CoTaskMemAlloc, as every pin expects),
// with the helpers that pins and enumerators hand media types out with.

#include <windows.h>
#include <strmif.h>

class CMediaType : public AM_MEDIA_TYPE {
public:
    CMediaType();
    explicit CMediaType(const GUID* pMajorType);
    CMediaType(const AM_MEDIA_TYPE& mt);
    CMediaType(const CMediaType& mt);
    ~CMediaType();

    CMediaType& operator=(const AM_MEDIA_TYPE& mt);
    CMediaType& operator=(const CMediaType& mt);
    bool operator==(const CMediaType& mt) const;
    bool operator!=(const CMediaType& mt) const { return !(*this == mt); }

    HRESULT Set(const AM_MEDIA_TYPE& mt);
    bool IsValid() const { return majortype != GUID_NULL; }

    const GUID* Type() const { return &majortype; }
    void SetType(const GUID* p) { majortype = *p; }
    const GUID* Subtype() const { return &subtype; }
    void SetSubtype(const GUID* p) { subtype = *p; }
    const GUID* FormatType() const { return &formattype; }
    void SetFormatType(const GUID* p) { formattype = *p; }
    void SetSampleSize(ULONG cb);
    void SetVariableSize() { bFixedSizeSamples = FALSE; }
    void SetTemporalCompression(BOOL b) { bTemporalCompression = b; }

    BYTE* Format() const { return pbFormat; }
    ULONG FormatLength() const { return cbFormat; }
    bool SetFormat(const BYTE* pFormat, ULONG cb);
    BYTE* AllocFormatBuffer(ULONG cb);
    void ResetFormatBuffer();

    // True when every GUID that this type leaves null matches, and the others agree.
    bool MatchesPartial(const CMediaType* pPartial) const;
    bool IsPartiallySpecified() const;

private:
    void InitMediaType();
};

void FreeMediaType(AM_MEDIA_TYPE& mt);
void DeleteMediaType(AM_MEDIA_TYPE* pmt);
HRESULT CopyMediaType(AM_MEDIA_TYPE* pDest, const AM_MEDIA_TYPE* pSource);
AM_MEDIA_TYPE* CreateMediaType(const AM_MEDIA_TYPE* pSource);
