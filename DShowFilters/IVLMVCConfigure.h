#pragma once
// The filter's configuration interface, as hosts include it: the interface, its
// class identifiers and every property identifier with the value form it takes;
// and the link statistics that a host may read while the graph runs.

#include <windows.h>
#include <oaidl.h>

#include <cstddef>

// {AC006F27-B0A4-4E1B-A668-4A7C5C39D7DF}
inline constexpr CLSID CLSID_VCodecSourceFilter = {0xac006f27, 0xb0a4, 0x4e1b, {0xa6, 0x68, 0x4a, 0x7c, 0x5c, 0x39, 0xd7, 0xdf}};
// {060AC61E-834A-445A-90C0-7ADD75981499}
inline constexpr CLSID CLSID_VCSourceProp = {0x060ac61e, 0x834a, 0x445a, {0x90, 0xc0, 0x7a, 0xdd, 0x75, 0x98, 0x14, 0x99}};
// The subtype of the recording pin's stream: packs with their stream information heads.
// {24649FE6-B6F4-46C6-B7FC-EF92CD11B790}
inline constexpr GUID MEDIASUBTYPE_RecStream = {0x24649fe6, 0xb6f4, 0x46c6, {0xb7, 0xfc, 0xef, 0x92, 0xcd, 0x11, 0xb7, 0x90}};

// {DFDD1211-5291-4952-80F9-34CDC0809B8F}
inline constexpr IID IID_IVLMVCConfigure = {0xdfdd1211, 0x5291, 0x4952, {0x80, 0xf9, 0x34, 0xcd, 0xc0, 0x80, 0x9b, 0x8f}};
// {98425EAC-7EBE-468A-B4EC-510D7F40FED4}
inline constexpr IID IID_IVLMVCConfigure3 = {0x98425eac, 0x7ebe, 0x468a, {0xb4, 0xec, 0x51, 0x0d, 0x7f, 0x40, 0xfe, 0xd4}};

// Values travel in the VARIANT's union only; the type field is neither read nor set.
struct IVLMVCConfigure : public IUnknown {
    virtual HRESULT STDMETHODCALLTYPE SetValue(REFGUID property, const VARIANT* value) = 0;
    virtual HRESULT STDMETHODCALLTYPE GetValue(REFGUID property, VARIANT* value) = 0;
};

struct IVLMVCConfigure3 : public IVLMVCConfigure {};

__CRT_UUID_DECL(IVLMVCConfigure, 0xdfdd1211, 0x5291, 0x4952, 0x80, 0xf9, 0x34, 0xcd, 0xc0, 0x80, 0x9b, 0x8f)
__CRT_UUID_DECL(IVLMVCConfigure3, 0x98425eac, 0x7ebe, 0x468a, 0xb4, 0xec, 0x51, 0x0d, 0x7f, 0x40, 0xfe, 0xd4)

// Events 0x8001 and 0x8443 carry a pointer to a 74-byte stream information block
// and its length. The block is a copy made for that event, in a ring of 256: it is
// written again only 256 events later, so a host that reads it when it takes the
// event from the queue, and copies what it keeps, reads what was sent. The blocks
// live as long as the filter.

// Property identifiers, in the order the filter matches them.
inline constexpr GUID VCSF_Address = {0xca78e632, 0x4a23, 0x47a9, {0xb0, 0x35, 0xb7, 0x74, 0x8c, 0xab, 0x95, 0x3e}};  // {CA78E632-4A23-47A9-B035-B7748CAB953E}
inline constexpr GUID VCSF_MCAddress = {0x335b5df8, 0xf0bb, 0x4e34, {0xa1, 0x90, 0x45, 0x0c, 0x5b, 0xe9, 0x2d, 0xf5}};  // {335B5DF8-F0BB-4E34-A190-450C5BE92DF5}
inline constexpr GUID VCSF_NIC = {0xf83f4c65, 0x5ef2, 0x4155, {0x8f, 0x5d, 0xe1, 0x59, 0x6b, 0x94, 0x5f, 0x54}};  // {F83F4C65-5EF2-4155-8F5D-E1596B945F54}
inline constexpr GUID VCSF_Port = {0x1f0bf661, 0xa714, 0x49ec, {0x9d, 0xa5, 0x05, 0x48, 0x85, 0xef, 0x93, 0x13}};  // {1F0BF661-A714-49EC-9DA5-054885EF9313}
inline constexpr GUID VCSF_TCPPort = {0x3c1447bf, 0xd11d, 0x4464, {0xab, 0x5c, 0x11, 0x34, 0x22, 0x9f, 0x8d, 0x01}};  // {3C1447BF-D11D-4464-AB5C-1134229F8D01}
inline constexpr GUID VCSF_MulticastPort = {0xd0d1e5d0, 0xebc8, 0x4626, {0x97, 0x72, 0xb3, 0xb6, 0xb2, 0xde, 0x85, 0xee}};  // {D0D1E5D0-EBC8-4626-9772-B3B6B2DE85EE}
inline constexpr GUID VCSF_ComType = {0xb967fdea, 0xb3d5, 0x47b9, {0xb2, 0xc7, 0x55, 0x7b, 0x7a, 0x0b, 0x2f, 0xd6}};  // {B967FDEA-B3D5-47B9-B2C7-557B7A0B2FD6}
inline constexpr GUID VCSF_IsAdmin = {0xe248f632, 0x5c43, 0x44a3, {0x80, 0x5e, 0x92, 0xad, 0xa3, 0x6d, 0xec, 0x71}};  // {E248F632-5C43-44A3-805E-92ADA36DEC71}
inline constexpr GUID VCSF_UserName = {0x9070c2e9, 0xe213, 0x460f, {0xb4, 0x0a, 0x62, 0x60, 0x1b, 0x92, 0x23, 0x57}};  // {9070C2E9-E213-460F-B40A-62601B922357}
inline constexpr GUID VCSF_Password = {0x23b011d2, 0x8d0a, 0x4d0d, {0x9d, 0x73, 0x3e, 0x21, 0xa4, 0x26, 0xf5, 0xcd}};  // {23B011D2-8D0A-4D0D-9D73-3E21A426F5CD}
inline constexpr GUID VCSF_HSession = {0x0d79355a, 0x02d0, 0x420a, {0xa2, 0x3f, 0x3c, 0x76, 0x7e, 0x08, 0x71, 0x9f}};  // {0D79355A-02D0-420A-A23F-3C767E08719F}
inline constexpr GUID VCSF_AuthNeed = {0x29ffc4d7, 0x3b2f, 0x4144, {0xaf, 0xa3, 0xd2, 0x59, 0xd6, 0xc6, 0xb0, 0x57}};  // {29FFC4D7-3B2F-4144-AFA3-D259D6C6B057}
inline constexpr GUID VCSF_UseSSL = {0x2f882ed0, 0x43b8, 0x4e31, {0xab, 0x7e, 0x98, 0xf2, 0xe3, 0x7c, 0x93, 0x14}};  // {2F882ED0-43B8-4E31-AB7E-98F2E37C9314}
inline constexpr GUID VCSF_TimeOut = {0xe218affc, 0xa459, 0x4793, {0xb7, 0xae, 0xad, 0xd7, 0xdf, 0xa0, 0xcb, 0x82}};  // {E218AFFC-A459-4793-B7AE-ADD7DFA0CB82}
inline constexpr GUID VCSF_ProtectedMode = {0x143d396f, 0xae45, 0x41b9, {0xa8, 0x28, 0x03, 0xbc, 0x79, 0x69, 0xb3, 0x80}};  // {143D396F-AE45-41B9-A828-03BC7969B380}
inline constexpr GUID HVSF_Rec = {0x040013fa, 0xbf14, 0x4259, {0xa9, 0xcf, 0xbe, 0x0d, 0x47, 0x01, 0xde, 0x82}};  // {040013FA-BF14-4259-A9CF-BE0D4701DE82}
inline constexpr GUID HVSF_Live = {0x22adc912, 0x8ed1, 0x4c3f, {0xb9, 0x60, 0x4d, 0xf9, 0x7d, 0x47, 0x09, 0x00}};  // {22ADC912-8ED1-4C3F-B960-4DF97D470900}
inline constexpr GUID VCF_PlayPath = {0x57766d6d, 0xb6dc, 0x4b6d, {0x93, 0xa0, 0x7a, 0xa0, 0x8a, 0x0b, 0x9e, 0xc6}};  // {57766D6D-B6DC-4B6D-93A0-7AA08A0B9EC6}
inline constexpr GUID VCF_PlaySpeed = {0x1dfce50a, 0x2c1d, 0x4789, {0x8e, 0xcc, 0x36, 0x0a, 0xce, 0xe0, 0x91, 0xab}};  // {1DFCE50A-2C1D-4789-8ECC-360ACEE091AB}
inline constexpr GUID VCF_PlayArea = {0x892be538, 0x935d, 0x43ab, {0xaf, 0x8f, 0x01, 0x70, 0x50, 0xb9, 0xa1, 0xa0}};  // {892BE538-935D-43AB-AF8F-017050B9A1A0}
inline constexpr GUID VCF_PlayAudio = {0x4e03ad66, 0xc185, 0x4db4, {0xa8, 0x77, 0x07, 0x6d, 0xa4, 0x0c, 0x55, 0x6e}};  // {4E03AD66-C185-4DB4-A877-076DA40C556E}
inline constexpr GUID VCF_PlayDateStart = {0xca4caf67, 0xb19e, 0x4b3a, {0x9a, 0x5d, 0x6f, 0x7c, 0x0c, 0xa3, 0x8a, 0x3b}};  // {CA4CAF67-B19E-4B3A-9A5D-6F7C0CA38A3B}
inline constexpr GUID VCF_PlayDateTop = {0x7b4a83d2, 0xc15c, 0x444d, {0xa5, 0x29, 0xd6, 0xee, 0x20, 0x62, 0xea, 0x45}};  // {7B4A83D2-C15C-444D-A529-D6EE2062EA45}
inline constexpr GUID VCF_PlayDateEnd = {0x737298da, 0xbfef, 0x4cb3, {0xb8, 0x52, 0xa8, 0x0a, 0x86, 0xf6, 0x6d, 0xef}};  // {737298DA-BFEF-4CB3-B852-A80A86F66DEF}
inline constexpr GUID HVSF_StrmWidth = {0xf638da30, 0x6fb1, 0x4ebe, {0xb4, 0xd5, 0xe8, 0x1f, 0x21, 0xb5, 0x06, 0xb4}};  // {F638DA30-6FB1-4EBE-B4D5-E81F21B506B4}
inline constexpr GUID HVSF_StrmHeight = {0x09175fdf, 0x017e, 0x41d2, {0xb3, 0xaa, 0xd4, 0x87, 0xf0, 0x75, 0x47, 0x15}};  // {09175FDF-017E-41D2-B3AA-D487F0754715}
inline constexpr GUID HVSF_AudioModel = {0x487127af, 0x2933, 0x4cad, {0xa4, 0x2f, 0xd4, 0x76, 0x60, 0xa0, 0xf2, 0x07}};  // {487127AF-2933-4CAD-A42F-D47660A0F207}
inline constexpr GUID HVSF_IpictureCutOut = {0x8e447488, 0xe4c4, 0x4bb8, {0xae, 0x4d, 0xba, 0x1c, 0x37, 0x55, 0x56, 0xd5}};  // {8E447488-E4C4-4BB8-AE4D-BA1C375556D5}
inline constexpr GUID HVSF_IndexOffSetSize = {0x02b67246, 0xb9b0, 0x4e17, {0xb6, 0x5a, 0x15, 0x69, 0x71, 0x95, 0xef, 0x80}};  // {02B67246-B9B0-4E17-B65A-15697195EF80}
// Opt-in extensions; a host that leaves them alone sees the filter as it always was.
// No stream data for this many milliseconds is a stall (status 0x9001); 0: off.
inline constexpr GUID VCSF_StallTimeOut = {0x1d43dbd7, 0x357f, 0x4b51, {0xaf, 0x5b, 0x38, 0xb7, 0x15, 0x6a, 0x94, 0x16}};  // {1D43DBD7-357F-4B51-AF5B-38B7156A9416}
// Event 0x8001 only when the stream information (its time stamp aside) changes, and
// otherwise at most once a second.
inline constexpr GUID VCSF_NotifyOnChange = {0xba3137b8, 0x5c6d, 0x46c1, {0x80, 0xb6, 0x01, 0xfe, 0x46, 0x96, 0xe2, 0xc5}};  // {BA3137B8-5C6D-46C1-80B6-01FE4696E2C5}
// A broken camera link (a stall, a closed or failed HTTP body, a camera status that
// ends the stream, a multicast stop) is healed with new sessions, waiting 0.5 s
// doubling to 30 s between attempts, while the graph runs: the main pin's first
// sample after the gap is a discontinuity, the recording pin goes on after a gap.
// Status 0x9010 is notified with each attempt, 0 once data flow. Wrong credentials
// (0x9003), a changed MAC address (0x9005) and a ring overflow (0x9006) still end
// the stream. A stall is 5 s unless VCSF_StallTimeOut says otherwise.
inline constexpr GUID VCSF_Reconnect = {0x922d4825, 0xe6f2, 0x4067, {0xbe, 0xd0, 0xbe, 0x47, 0xa2, 0x8d, 0x9a, 0x19}};  // {922D4825-E6F2-4067-BED0-BE47A28D9A19}

// The status in the stream information block's status field, beside the camera's
// own codes 0x8001 to 0x800B.
inline constexpr unsigned short VCSF_STATUS_OK = 0x0000;
inline constexpr unsigned short VCSF_STATUS_NO_DATA = 0x9001; // no first packet in time, or a stall
inline constexpr unsigned short VCSF_STATUS_CONNECT_FAILED = 0x9002;
inline constexpr unsigned short VCSF_STATUS_UNAUTHORIZED = 0x9003;
inline constexpr unsigned short VCSF_STATUS_MAC_CHANGED = 0x9005;
inline constexpr unsigned short VCSF_STATUS_BUFFER_OVERFLOW = 0x9006;
inline constexpr unsigned short VCSF_STATUS_WRONG_IDENTIFIER = 0x9007;
inline constexpr unsigned short VCSF_STATUS_RECONNECTING = 0x9010; // with VCSF_Reconnect: an attempt begins
inline constexpr unsigned short VCSF_STATUS_STREAM_ENDED = 0x9011; // a reconnection's cause: the camera ended its stream
inline constexpr unsigned short VCSF_STATUS_NOTHING_YET = 0x9998;
inline constexpr unsigned short VCSF_STATUS_OTHER_FAILURE = 0x9999;

// How a property's value sits in the VARIANT's union.
enum class PropertyForm {
    Address,   // ulVal: IPv4 address in network byte order
    Port,      // uiVal: port in network byte order
    Flag,      // boolVal: only VARIANT_TRUE (0xFFFF) is true
    Number16,  // uiVal
    Number32,  // ulVal
    Handle,    // ullVal: opaque, stored unchanged
    Double,    // dblVal
    Byte,      // bVal
    Text16,    // byref: 16 wide characters, 32 bytes copied
    Text260,   // byref: 260 wide characters, 520 bytes copied
    Date,      // byref: a SYSTEMTIME, 16 bytes copied
};

// The bytes a value of the form occupies: in the union, or behind byref.
constexpr unsigned PropertyBytes(PropertyForm form)
{
    switch (form) {
    case PropertyForm::Address: return 4;
    case PropertyForm::Port: return 2;
    case PropertyForm::Flag: return 2;
    case PropertyForm::Number16: return 2;
    case PropertyForm::Number32: return 4;
    case PropertyForm::Handle: return 8;
    case PropertyForm::Double: return 8;
    case PropertyForm::Byte: return 1;
    case PropertyForm::Text16: return 32;
    case PropertyForm::Text260: return 520;
    case PropertyForm::Date: return 16;
    }
    return 0;
}

constexpr bool IsByReference(PropertyForm form)
{
    return form == PropertyForm::Text16 || form == PropertyForm::Text260 || form == PropertyForm::Date;
}

// What SetValue requires of a value; a refused value returns E_INVALIDARG.
enum class PropertyCheck {
    None,
    HostAddress,       // first octet below 224
    MulticastAddress,  // first octet 224 to 239
    Port,              // above 1024; not 4000 to 5000, 10000, 10001, 34341 or 38214
    TimeOut,           // below 30000
};

// When a property may be set; any other SetValue on a filter not stopped returns VFW_E_NOT_STOPPED.
enum class PropertyAccess {
    WhileStopped,
    AnyState,
    ReadOnly,   // SetValue returns E_NOTIMPL
    WriteOnly,  // GetValue returns E_NOTIMPL and leaves the VARIANT as it was
};

// The default is the value as vcsf prints it; "now" is the time the filter was made
// (UTC), and no default means the value comes from the stream.
struct PropertyInfo {
    const GUID* id;
    const wchar_t* name;
    PropertyForm form;
    const wchar_t* defaultText;
    PropertyCheck check;
    PropertyAccess access;
};

// The one table of the properties, in the order the filter matches them.
inline constexpr PropertyInfo kProperties[] = {
    {&VCSF_Address, L"VCSF_Address", PropertyForm::Address, L"192.168.0.2", PropertyCheck::HostAddress, PropertyAccess::WhileStopped},
    {&VCSF_MCAddress, L"VCSF_MCAddress", PropertyForm::Address, L"239.193.0.25", PropertyCheck::MulticastAddress, PropertyAccess::WhileStopped},
    {&VCSF_NIC, L"VCSF_NIC", PropertyForm::Address, L"192.168.0.251", PropertyCheck::HostAddress, PropertyAccess::WhileStopped},
    {&VCSF_Port, L"VCSF_Port", PropertyForm::Port, L"3939", PropertyCheck::Port, PropertyAccess::WhileStopped},
    {&VCSF_TCPPort, L"VCSF_TCPPort", PropertyForm::Port, L"80", PropertyCheck::None, PropertyAccess::WhileStopped},
    {&VCSF_MulticastPort, L"VCSF_MulticastPort", PropertyForm::Port, L"34344", PropertyCheck::Port, PropertyAccess::WhileStopped},
    {&VCSF_ComType, L"VCSF_ComType", PropertyForm::Number16, L"0", PropertyCheck::None, PropertyAccess::WhileStopped},
    {&VCSF_IsAdmin, L"VCSF_IsAdmin", PropertyForm::Flag, L"false", PropertyCheck::None, PropertyAccess::WhileStopped},
    {&VCSF_UserName, L"VCSF_UserName", PropertyForm::Text16, L"guest", PropertyCheck::None, PropertyAccess::WhileStopped},
    {&VCSF_Password, L"VCSF_Password", PropertyForm::Text16, L"tulip", PropertyCheck::None, PropertyAccess::WhileStopped},
    {&VCSF_HSession, L"VCSF_HSession", PropertyForm::Handle, L"0x0", PropertyCheck::None, PropertyAccess::WhileStopped},
    {&VCSF_AuthNeed, L"VCSF_AuthNeed", PropertyForm::Flag, L"true", PropertyCheck::None, PropertyAccess::AnyState},
    {&VCSF_UseSSL, L"VCSF_UseSSL", PropertyForm::Flag, L"false", PropertyCheck::None, PropertyAccess::WhileStopped},
    {&VCSF_TimeOut, L"VCSF_TimeOut", PropertyForm::Number32, L"5000", PropertyCheck::TimeOut, PropertyAccess::WhileStopped},
    {&VCSF_ProtectedMode, L"VCSF_ProtectedMode", PropertyForm::Flag, L"false", PropertyCheck::None, PropertyAccess::WhileStopped},
    {&HVSF_Rec, L"HVSF_Rec", PropertyForm::Flag, L"false", PropertyCheck::None, PropertyAccess::AnyState},
    {&HVSF_Live, L"HVSF_Live", PropertyForm::Flag, L"true", PropertyCheck::None, PropertyAccess::AnyState},
    {&VCF_PlayPath, L"VCF_PlayPath", PropertyForm::Text260, L"C:\\", PropertyCheck::None, PropertyAccess::WhileStopped},
    {&VCF_PlaySpeed, L"VCF_PlaySpeed", PropertyForm::Double, L"1", PropertyCheck::None, PropertyAccess::AnyState},
    {&VCF_PlayArea, L"VCF_PlayArea", PropertyForm::Byte, L"0", PropertyCheck::None, PropertyAccess::WhileStopped},
    {&VCF_PlayAudio, L"VCF_PlayAudio", PropertyForm::Flag, L"false", PropertyCheck::None, PropertyAccess::WhileStopped},
    {&VCF_PlayDateStart, L"VCF_PlayDateStart", PropertyForm::Date, L"now", PropertyCheck::None, PropertyAccess::WhileStopped},
    {&VCF_PlayDateTop, L"VCF_PlayDateTop", PropertyForm::Date, L"now", PropertyCheck::None, PropertyAccess::WhileStopped},
    {&VCF_PlayDateEnd, L"VCF_PlayDateEnd", PropertyForm::Date, L"now", PropertyCheck::None, PropertyAccess::WhileStopped},
    {&HVSF_StrmWidth, L"HVSF_StrmWidth", PropertyForm::Number32, nullptr, PropertyCheck::None, PropertyAccess::ReadOnly},
    {&HVSF_StrmHeight, L"HVSF_StrmHeight", PropertyForm::Number32, nullptr, PropertyCheck::None, PropertyAccess::ReadOnly},
    {&HVSF_AudioModel, L"HVSF_AudioModel", PropertyForm::Flag, L"false", PropertyCheck::None, PropertyAccess::WhileStopped},
    {&HVSF_IpictureCutOut, L"HVSF_IpictureCutOut", PropertyForm::Flag, L"false", PropertyCheck::None, PropertyAccess::AnyState},
    {&HVSF_IndexOffSetSize, L"HVSF_IndexOffSetSize", PropertyForm::Number32, L"0", PropertyCheck::None, PropertyAccess::WriteOnly},
    {&VCSF_StallTimeOut, L"VCSF_StallTimeOut", PropertyForm::Number32, L"0", PropertyCheck::None, PropertyAccess::WhileStopped},
    {&VCSF_NotifyOnChange, L"VCSF_NotifyOnChange", PropertyForm::Flag, L"false", PropertyCheck::None, PropertyAccess::WhileStopped},
    {&VCSF_Reconnect, L"VCSF_Reconnect", PropertyForm::Flag, L"false", PropertyCheck::None, PropertyAccess::WhileStopped},
};
inline constexpr int kPropertyCount = sizeof(kProperties) / sizeof(kProperties[0]);

// The row of a property the caller names by one of the identifiers above; -1 if none.
constexpr int PropertyIndex(const GUID* id)
{
    for (int i = 0; i < kPropertyCount; ++i)
        if (kProperties[i].id == id) return i;
    return -1;
}

// What the link has done since the filter last started from stopped, readable in
// every state (stopped: what the last run counted). The caller sets cbSize; a
// larger record than this one is fine, and only this part of it is written.
struct VCSF_STATISTICS {
    DWORD cbSize;
    DWORD dwMsSinceStreamData;       // 0xFFFFFFFF: no stream data since the start
    ULONGLONG ullReceived;           // UDP datagrams, or HTTP records
    ULONGLONG ullReceivedBytes;      // their bytes, heads included
    ULONGLONG ullPacketGaps;         // packet numbers that skipped within a unit
    ULONGLONG ullWrongIdentifiers;   // heads without the camera's identifier
    ULONGLONG ullShortOrDropped;     // datagrams shorter than their heads say, or refused
    ULONGLONG ullRingOverflows;      // stream data that found the main pin's ring full
    ULONGLONG ullRecordingOverflows; // gaps opened in the recording for want of room
    ULONGLONG ullReconnections;
    ULONGLONG ullMainPinBytes;       // taken downstream of "MPEG-2 Program"
    ULONGLONG ullRecordingPinBytes;  // taken downstream of "Stream", the packs without their heads
    WORD wLastReconnectCause;        // the status that caused the last reconnection; 0: none
    WORD wReserved;
    DWORD dwReserved;
};
static_assert(sizeof(VCSF_STATISTICS) == 96, "the statistics record is 96 bytes");
static_assert(offsetof(VCSF_STATISTICS, ullReceived) == 8 && offsetof(VCSF_STATISTICS, ullMainPinBytes) == 72 &&
                  offsetof(VCSF_STATISTICS, ullRecordingPinBytes) == 80 &&
                  offsetof(VCSF_STATISTICS, wLastReconnectCause) == 88,
              "the statistics record's layout");

// {509AD5D2-A7BA-402E-B0A5-1468DD182818}
inline constexpr IID IID_IVCSFStatistics = {0x509ad5d2, 0xa7ba, 0x402e, {0xb0, 0xa5, 0x14, 0x68, 0xdd, 0x18, 0x28, 0x18}};

// E_POINTER for a null record, E_INVALIDARG when its cbSize is below sizeof(VCSF_STATISTICS).
struct IVCSFStatistics : public IUnknown {
    virtual HRESULT STDMETHODCALLTYPE GetStatistics(VCSF_STATISTICS* pStatistics) = 0;
};

__CRT_UUID_DECL(IVCSFStatistics, 0x509ad5d2, 0xa7ba, 0x402e, 0xb0, 0xa5, 0x14, 0x68, 0xdd, 0x18, 0x28, 0x18)
