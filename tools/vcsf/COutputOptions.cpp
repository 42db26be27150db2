#include "tools/vcsf/COutputOptions.h"

bool COutputOptions::TakeOutputOption(const CCommandLine::Item& item)
{
    if (item.name == L"--json") bJson = true;
    else if (item.name == L"-y" || item.name == L"--overwrite") bOverwrite = true;
    else if (item.name == L"-o" || item.name == L"--output") output = item.value;
    else return false;
    return true;
}
