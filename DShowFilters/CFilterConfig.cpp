#include "DShowFilters/CFilterConfig.h"

#include "DShowFilters/CPropertyText.h"
#include "core/ByteOrder.h"
#include "core/Trace.h"

#include <string>

namespace {

constexpr uint16_t kTrue = 0xFFFF;  // VARIANT_TRUE: the only value a flag takes as true
constexpr uint32_t kTimeOutLimit = 30000;

bool Passes(PropertyCheck check, const VARIANT& value)
{
    switch (check) {
    case PropertyCheck::None: return true;
    case PropertyCheck::HostAddress: return FirstOctet(value.ulVal) < 224;
    case PropertyCheck::MulticastAddress: return FirstOctet(value.ulVal) >= 224 && FirstOctet(value.ulVal) <= 239;
    case PropertyCheck::Port: return CFilterConfig::IsValidPort(value.uiVal);
    case PropertyCheck::TimeOut: return value.ulVal < kTimeOutLimit;
    }
    return false;
}

// The trace line of a refusal; these texts are matched by hosts.
std::wstring Refusal(const PropertyInfo& info)
{
    const std::wstring name = info.name;
    switch (info.check) {
    case PropertyCheck::HostAddress:
    case PropertyCheck::MulticastAddress: return name + L": Invalid IP address";
    case PropertyCheck::Port: return name + L": Invalid Port";
    case PropertyCheck::TimeOut: return L"CVCodecSourceFilter::ConfProcedure: Timout out of range.";
    case PropertyCheck::None: break;
    }
    return name + L": refused";
}

}  // namespace

CFilterConfig::CFilterConfig()
{
    for (int row = 0; row < kPropertyCount; ++row) {
        if (IsByReference(kProperties[row].form)) m_bytes[row].resize(PropertyBytes(kProperties[row].form));
        ApplyDefault(row);
    }
}

void CFilterConfig::ApplyDefault(int row)
{
    const PropertyInfo& info = kProperties[row];
    if (!info.defaultText) return;
    CPropertyText text;
    VARIANT value;
    std::wstring reason;
    if (text.Parse(info.form, info.defaultText, &value, &reason)) Put(row, value);
}

const PropertyInfo* CFilterConfig::Find(REFGUID id)
{
    for (const PropertyInfo& info : kProperties)
        if (*info.id == id) return &info;
    return nullptr;
}

bool CFilterConfig::IsValidPort(uint16_t usNetworkOrder)
{
    uint16_t port = NetToHost16(usNetworkOrder);
    if (port <= 1024) return false;
    if (port >= 4000 && port <= 5000) return false;
    return port != 10000 && port != 10001 && port != 34341 && port != 38214;
}

HRESULT CFilterConfig::Store(const PropertyInfo& info, const VARIANT& value)
{
    if (info.access == PropertyAccess::ReadOnly) {
        g_Trace(1, L"%s is Read Only.", info.name);
        return E_NOTIMPL;
    }
    if (IsByReference(info.form) && !value.byref) return E_POINTER;
    if (!Passes(info.check, value)) {
        g_Trace(1, L"%s", Refusal(info).c_str());
        return E_INVALIDARG;
    }
    Put(RowOf(info), value);
    return S_OK;
}

void CFilterConfig::Put(int row, const VARIANT& value)
{
    const PropertyForm form = kProperties[row].form;
    if (IsByReference(form)) {
        CAutoLock lock(&m_Lock);
        std::memcpy(m_bytes[row].data(), value.byref, m_bytes[row].size());
        return;
    }
    uint64_t bits = 0;
    if (form == PropertyForm::Flag) bits = static_cast<uint16_t>(value.boolVal) == kTrue ? 1 : 0;
    else std::memcpy(&bits, &value.ullVal, PropertyBytes(form));
    m_words[row].store(bits);
}

// Only the bytes of the form's member are written: the rest of the caller's VARIANT stays.
HRESULT CFilterConfig::Load(const PropertyInfo& info, VARIANT* value) const
{
    if (info.access == PropertyAccess::WriteOnly) return E_NOTIMPL;
    const int row = RowOf(info);
    if (IsByReference(info.form)) {
        if (!value->byref) return E_POINTER;
        CAutoLock lock(&m_Lock);
        CopyBytes(row, value->byref);
        return S_OK;
    }
    const uint64_t bits = m_words[row].load();
    if (info.form == PropertyForm::Flag) value->boolVal = bits ? VARIANT_TRUE : VARIANT_FALSE;
    else std::memcpy(&value->ullVal, &bits, PropertyBytes(info.form));
    return S_OK;
}

void CFilterConfig::CopyBytes(int row, void* out) const
{
    std::memcpy(out, m_bytes[row].data(), m_bytes[row].size());
}

SYSTEMTIME CFilterConfig::PlayDateStart() const
{
    SYSTEMTIME time;
    CAutoLock lock(&m_Lock);
    CopyBytes(Row<VCF_PlayDateStart>(), &time);
    return time;
}

FilterSettings CFilterConfig::Settings() const
{
    static_assert(sizeof(NetworkSettings::szUserName) == PropertyBytes(PropertyForm::Text16));
    static_assert(sizeof(PlaySettings::szPlayPath) == PropertyBytes(PropertyForm::Text260));
    static_assert(sizeof(SYSTEMTIME) == PropertyBytes(PropertyForm::Date));
    FilterSettings s = {};
    s.usComType = Get<VCSF_ComType, uint16_t>();
    NetworkSettings& net = s.network;
    net.ulAddress = Get<VCSF_Address, uint32_t>();
    net.ulMCAddress = Get<VCSF_MCAddress, uint32_t>();
    net.ulNIC = Get<VCSF_NIC, uint32_t>();
    net.usTCPPort = Get<VCSF_TCPPort, uint16_t>();
    net.usPort = Get<VCSF_Port, uint16_t>();
    net.usMulticastPort = Get<VCSF_MulticastPort, uint16_t>();
    net.bIsAdmin = IsOn<VCSF_IsAdmin>();
    net.hSession = Get<VCSF_HSession, uint64_t>();
    net.bAuthNeed = IsOn<VCSF_AuthNeed>();
    net.bUseSSL = IsOn<VCSF_UseSSL>();
    net.dwTimeOut = Get<VCSF_TimeOut, uint32_t>();
    PlaySettings& play = s.play;
    play.dPlaySpeed = Get<VCF_PlaySpeed, double>();
    play.bPlayArea = Get<VCF_PlayArea, uint8_t>();
    play.bPlayAudio = IsOn<VCF_PlayAudio>();
    CAutoLock lock(&m_Lock);
    CopyBytes(Row<VCSF_UserName>(), net.szUserName);
    CopyBytes(Row<VCSF_Password>(), net.szPassword);
    CopyBytes(Row<VCF_PlayPath>(), play.szPlayPath);
    CopyBytes(Row<VCF_PlayDateStart>(), &play.stDateStart);
    CopyBytes(Row<VCF_PlayDateTop>(), &play.stDateTop);
    CopyBytes(Row<VCF_PlayDateEnd>(), &play.stDateEnd);
    return s;
}
