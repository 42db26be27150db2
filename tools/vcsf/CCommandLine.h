#pragma once
// A subcommand's arguments as users of command-line tools write them: options
// before, between or after the operands, "--name value" or "--name=value", "-"
// as an operand (standard input or output), and "--" ending the options.

#include <initializer_list>
#include <string>
#include <vector>

class CCommandLine {
public:
    struct Item {
        std::wstring name;   // the option as typed ("--camera", "-o"); empty for an operand
        std::wstring value;  // the option's value, or the operand
        bool IsOperand() const { return name.empty(); }
        // "--camera 10.0.0.7:80", for messages that name what the user typed.
        std::wstring Typed() const { return name + L" " + value; }
    };

    // `flags` are the options that take no value. False with *pError when an
    // option's value is missing, or a flag is given one.
    static bool Split(const std::vector<std::wstring>& args, std::initializer_list<const wchar_t*> flags,
                      std::vector<Item>* pItems, std::wstring* pError);
    static bool AsksForHelp(const std::vector<std::wstring>& args);
    static bool Has(const std::vector<std::wstring>& args, const wchar_t* pszFlag);
};
