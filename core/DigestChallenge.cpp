#include "core/DigestChallenge.h"

#include <cctype>

namespace {

bool IsSpace(char c) { return c == ' ' || c == '\t'; }

bool IsTokenChar(char c)
{
    const auto u = static_cast<unsigned char>(c);
    return u < 0x80 && (std::isalnum(u) || std::string_view("!#$%&'*+-.^_`|~").find(c) != std::string_view::npos);
}

bool IsToken68Char(char c) { return IsTokenChar(c) || c == '/'; }

// Control characters would end the header line that echoes the value.
bool IsControl(char c)
{
    const auto u = static_cast<unsigned char>(c);
    return (u < 0x20 && c != '\t') || u == 0x7F;
}

bool SameText(std::string_view a, std::string_view b)
{
    if (a.size() != b.size()) return false;
    for (size_t i = 0; i < a.size(); i++)
        if (std::tolower(static_cast<unsigned char>(a[i])) != std::tolower(static_cast<unsigned char>(b[i])))
            return false;
    return true;
}

class CScanner {
public:
    explicit CScanner(std::string_view text) : m_Text(text) {}

    bool AtEnd() const { return m_Pos == m_Text.size(); }
    char Peek() const { return AtEnd() ? '\0' : m_Text[m_Pos]; }
    void SkipSpaces()
    {
        while (!AtEnd() && IsSpace(Peek())) m_Pos++;
    }
    void SkipSeparators()
    {
        while (!AtEnd() && (IsSpace(Peek()) || Peek() == ',')) m_Pos++;
    }
    std::string_view Token() { return Take(IsTokenChar); }

    // name=value follows (not a token68 such as "abc==").
    bool ParamFollows() const
    {
        CScanner ahead = *this;
        if (ahead.Token().empty()) return false;
        ahead.SkipSpaces();
        if (ahead.Peek() != '=') return false;
        ahead.m_Pos++;
        ahead.SkipSpaces();
        return ahead.Peek() == '"' || IsTokenChar(ahead.Peek());
    }

    bool EqualsFollows() const
    {
        CScanner ahead = *this;
        ahead.SkipSpaces();
        return ahead.Peek() == '=';
    }

    void SkipToken68()
    {
        Take(IsToken68Char);
        while (Peek() == '=') m_Pos++;
    }

    bool Equals()
    {
        SkipSpaces();
        if (Peek() != '=') return false;
        m_Pos++;
        SkipSpaces();
        return true;
    }

    // A quoted string without its quotes and escapes, or a bare value.
    bool Value(std::string* pValue)
    {
        if (Peek() == '"') return Quoted(pValue);
        const std::string_view bare = Take([](char c) { return c != ',' && c != '"' && !IsSpace(c) && !IsControl(c); });
        if (bare.empty() || bare.size() > kMaxDigestValue) return false;
        pValue->assign(bare);
        return true;
    }

    // After a parameter: the next one, the next challenge or the end.
    bool ParamEnds()
    {
        SkipSpaces();
        return AtEnd() || Peek() == ',';
    }

private:
    template <typename Pred>
    std::string_view Take(Pred pred)
    {
        const size_t begin = m_Pos;
        while (!AtEnd() && pred(Peek())) m_Pos++;
        return m_Text.substr(begin, m_Pos - begin);
    }

    bool Quoted(std::string* pValue)
    {
        for (size_t i = m_Pos + 1; i < m_Text.size(); i++) {
            char c = m_Text[i];
            if (c == '"') {
                m_Pos = i + 1;
                return true;
            }
            if (c == '\\' && ++i < m_Text.size()) c = m_Text[i];
            if (IsControl(c) || pValue->size() == kMaxDigestValue) return false;
            pValue->push_back(c);
        }
        return false;
    }

    std::string_view m_Text;
    size_t m_Pos = 0;
};

void SetAlgorithm(const std::string& value, DigestChallenge* pChallenge)
{
    static const struct {
        const char* name;
        DigestAlgorithm algorithm;
        bool bSession;
    } known[] = {{"MD5", DigestAlgorithm::Md5, false},
                 {"MD5-sess", DigestAlgorithm::Md5, true},
                 {"SHA-256", DigestAlgorithm::Sha256, false},
                 {"SHA-256-sess", DigestAlgorithm::Sha256, true}};
    pChallenge->bAlgorithmKnown = false;
    for (const auto& k : known) {
        if (!SameText(value, k.name)) continue;
        pChallenge->algorithmName = k.name;
        pChallenge->algorithm = k.algorithm;
        pChallenge->bSession = k.bSession;
        pChallenge->bAlgorithmKnown = true;
    }
}

// qop is a list: "auth, auth-int".
bool OffersAuth(std::string_view list)
{
    CScanner scanner(list);
    for (scanner.SkipSeparators(); !scanner.AtEnd(); scanner.SkipSeparators()) {
        const std::string_view option = scanner.Token();
        if (SameText(option, "auth")) return true;
        if (option.empty()) return false;
    }
    return false;
}

void Apply(std::string_view name, const std::string& value, DigestChallenge* pChallenge)
{
    if (SameText(name, "realm")) pChallenge->realm = value;
    else if (SameText(name, "nonce")) pChallenge->nonce = value;
    else if (SameText(name, "opaque")) pChallenge->opaque = value;
    else if (SameText(name, "algorithm")) SetAlgorithm(value, pChallenge);
    else if (SameText(name, "stale")) pChallenge->bStale = SameText(value, "true");
    else if (SameText(name, "userhash")) pChallenge->bUserHash = SameText(value, "true");
    else if (SameText(name, "qop")) {
        pChallenge->bQopGiven = true;
        pChallenge->bQopAuth = OffersAuth(value);
    }
}

class CChallengeList {
public:
    explicit CChallengeList(std::vector<DigestChallenge>* pOut) : m_pOut(pOut) {}
    ~CChallengeList() { Close(); }

    void Open(std::string_view scheme)
    {
        Close();
        m_bDigest = SameText(scheme, "Digest");
    }
    void Param(std::string_view name, const std::string& value)
    {
        if (m_bDigest) Apply(name, value, &m_Current);
    }
    void Drop() { m_bDigest = false; }

private:
    void Close()
    {
        if (m_bDigest && m_pOut->size() < kMaxDigestChallenges) m_pOut->push_back(std::move(m_Current));
        m_Current = DigestChallenge();
        m_bDigest = false;
    }

    std::vector<DigestChallenge>* const m_pOut;
    DigestChallenge m_Current;
    bool m_bDigest = false;
};

// The parameters and token68 of one challenge are bounded by the next scheme.
bool ParseElement(CScanner* pScanner, CChallengeList* pList)
{
    const std::string_view name = pScanner->Token();
    if (name.empty()) return false;
    if (pScanner->EqualsFollows()) {
        std::string value;
        if (!pScanner->Equals() || !pScanner->Value(&value) || !pScanner->ParamEnds()) return false;
        pList->Param(name, value);
        return true;
    }
    pList->Open(name);
    pScanner->SkipSpaces();
    if (!pScanner->AtEnd() && pScanner->Peek() != ',' && !pScanner->ParamFollows()) pScanner->SkipToken68();
    return pScanner->AtEnd() || pScanner->Peek() == ',' || pScanner->ParamFollows();
}

}  // namespace

bool ParseDigestChallenges(std::string_view header, std::vector<DigestChallenge>* pChallenges)
{
    if (header.size() > kMaxDigestHeader) return false;
    CScanner scanner(header);
    CChallengeList list(pChallenges);
    for (scanner.SkipSeparators(); !scanner.AtEnd(); scanner.SkipSeparators()) {
        if (!ParseElement(&scanner, &list)) {
            list.Drop();
            return false;
        }
    }
    return true;
}

const DigestChallenge* FirstUsableDigestChallenge(const std::vector<DigestChallenge>& challenges)
{
    for (const DigestChallenge& challenge : challenges)
        if (challenge.Usable()) return &challenge;
    return nullptr;
}
