#include "base/launcher_facts.h"

#include <string_view>
#include <utility>
#include <vector>

#include "base/quote_argument.h"

namespace quillguard {

LauncherFacts MakeLauncherFacts(std::wstring path, std::wstring commandLine,
                                std::span<const wchar_t* const> arguments) {
    LauncherFacts facts{std::move(path), std::move(commandLine), {}, false};
    std::vector<const wchar_t*> forwarded;
    for (const wchar_t* argument : arguments.subspan(arguments.empty() ? 0 : 1)) {
        if (std::wstring_view(argument) == kUpdateOnlySwitch) {
            facts.updateOnly = true;
        } else {
            forwarded.push_back(argument);
        }
    }
    facts.forwardedArguments = JoinQuotedArguments(forwarded);
    return facts;
}

}  // namespace quillguard
