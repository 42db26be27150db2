#include "tools/vcsf/CCommandLine.h"

#include <algorithm>

namespace {

bool IsOption(const std::wstring& arg) { return arg.size() > 1 && arg[0] == L'-'; }

}  // namespace

bool CCommandLine::Split(const std::vector<std::wstring>& args, std::initializer_list<const wchar_t*> flags,
                         std::vector<Item>* pItems, std::wstring* pError)
{
    bool bOptionsEnded = false;
    for (size_t i = 0; i < args.size(); i++) {
        const std::wstring& arg = args[i];
        if (bOptionsEnded || !IsOption(arg)) {
            pItems->push_back({L"", arg});
            continue;
        }
        if (arg == L"--") {
            bOptionsEnded = true;
            continue;
        }
        const size_t eq = arg.rfind(L"--", 0) == 0 ? arg.find(L'=') : std::wstring::npos;
        const std::wstring name = arg.substr(0, eq);
        const bool bFlag = std::any_of(flags.begin(), flags.end(), [&](const wchar_t* f) { return name == f; });
        if (bFlag && eq != std::wstring::npos) {
            *pError = name + L" takes no value";
            return false;
        }
        if (bFlag || eq != std::wstring::npos) {
            pItems->push_back({name, bFlag ? L"" : arg.substr(eq + 1)});
            continue;
        }
        if (i + 1 >= args.size()) {
            *pError = arg + L" needs a value";
            return false;
        }
        pItems->push_back({name, args[++i]});
    }
    return true;
}

bool CCommandLine::AsksForHelp(const std::vector<std::wstring>& args) { return Has(args, L"--help") || Has(args, L"-h"); }

bool CCommandLine::Has(const std::vector<std::wstring>& args, const wchar_t* pszFlag)
{
    const auto end = std::find(args.begin(), args.end(), L"--");
    return std::find(args.begin(), end, pszFlag) != end;
}
