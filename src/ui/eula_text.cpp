#include "ui/eula_text.h"

#include <iterator>

namespace quillguard {
namespace {

// Each line but the last ends with CR LF; the text box wraps the long ones at its width.
constexpr wchar_t kEulaText[] =
    L"****** END USER LICENCE AGREEMENT ******\r\n"
    L"\r\n"
    L"This agreement is between you, the person who starts this copy of the QuillGuard "
    L"Launcher (\"the Launcher\"), and the publisher who ships it with a game (\"the Publisher\")."
    L" By pressing \"I Accept\" you agree to these terms for yourself and for everyone who plays"
    L" on this Windows account. If you do not agree, press \"Cancel\" or close this window: the "
    L"Launcher will end, the game will not start through it and the Launcher will have changed"
    L" nothing on your computer.\r\n"
    L"\r\n"
    L"The Launcher keeps the game's anti-cheat client library and the Launcher itself current."
    L" Each time you start it, it asks the Publisher's update server whether newer files "
    L"exist, downloads and verifies them, replaces the old files in the game folder and then "
    L"starts the game for you. It does this so that every player in an online match runs the "
    L"same, unaltered protection.\r\n"
    L"\r\n"
    L"The Publisher grants you a personal, non-exclusive, non-transferable and revocable "
    L"licence to install and run the Launcher to play the game it ships with, on computers "
    L"that you own or control, for as long as you hold a valid licence for that game. The "
    L"Publisher keeps all rights that are not expressly granted here. In particular, and "
    L"except where the law of your country allows it regardless of this agreement, you may "
    L"not:\r\n"
    L"\r\n"
    L"- copy, sell, rent, lend, sublicense or otherwise distribute the Launcher apart from the"
    L" game it came with;\r\n"
    L"\r\n"
    L"- reverse engineer, decompile or disassemble the Launcher or the client library, or try "
    L"to derive their source code;\r\n"
    L"\r\n"
    L"- modify, patch or replace the Launcher or the client library;\r\n"
    L"\r\n"
    L"- interfere with the Launcher's checks, its connection to the update server or the files"
    L" it downloads;\r\n"
    L"\r\n"
    L"- use the Launcher or any information obtained from it to cheat, to gain an unfair "
    L"advantage or to disturb other players;\r\n"
    L"\r\n"
    L"- use automated tools to start the game in large numbers or to load the update server "
    L"beyond normal use;\r\n"
    L"\r\n"
    L"- remove or alter any notice of ownership, licence or version in the Launcher or its "
    L"files;\r\n"
    L"\r\n"
    L"- use the Launcher in breach of any law or regulation that applies to you or to the "
    L"place where you play;\r\n"
    L"\r\n"
    L"- let another person do any of the above on your behalf or with your help;\r\n"
    L"\r\n"
    L"- keep using the Launcher after this licence has ended.\r\n"
    L"\r\n"
    L"The Launcher records only one thing on your computer: a value in your part of the "
    L"Windows registry saying that you accepted this agreement, so that you are not asked "
    L"again. It sends no personal data to anyone. The Launcher is provided \"as is\" and, to the"
    L" extent the law of your country permits, without warranty of any kind, express or "
    L"implied; the Publisher is not liable for any loss arising from its use. This licence "
    L"ends automatically if you break its terms, and you must then delete it.";

}  // namespace

std::wstring_view EulaText() {
    return {kEulaText, std::size(kEulaText) - 1};
}

}  // namespace quillguard
