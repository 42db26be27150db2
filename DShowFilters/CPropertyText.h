#pragma once
// Property values as a person reads and types them: dotted addresses, host-order
// ports, true/false, ISO 8601 UTC dates (or "now"), plain numbers and texts. The
// filter reads its defaults through it, vcsf and the property page what people type.

#include "DShowFilters/IVLMVCConfigure.h"

#include <string>

class CPropertyText {
public:
    static std::wstring Format(PropertyForm form, const VARIANT& value);

    // Parses text into value; a text or date goes into this object's own buffer, which
    // value then points at. False with a reason when the text is not of the form.
    bool Parse(PropertyForm form, const std::wstring& text, VARIANT* value, std::wstring* reason);

    static const PropertyInfo* Find(const std::wstring& name);
    // Points value at this object's buffer, for reading a text or date property.
    void PrepareForGet(PropertyForm form, VARIANT* value);

private:
    bool ParseText(const std::wstring& text, size_t capacity, VARIANT* value, std::wstring* reason);

    WCHAR m_text[260] = {};
    SYSTEMTIME m_date = {};
};
