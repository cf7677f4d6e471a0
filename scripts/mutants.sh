#!/usr/bin/env bash
# Shows what the tests are worth: applies deliberate one-line faults to the product code one at a
# time, rebuilds, runs the tests of the build the fault lives in, and prints which tests caught
# each. Exit status 1 when a fault went uncaught. Not run by CI: it takes a while.
#
#   bash scripts/mutants.sh [NAME...]    # all faults, or only the named ones
set -euo pipefail
cd "$(dirname "$0")/.."

# Tab-separated: name, build (native or windows), file, the line as it stands, the faulty line,
# and for the slow Windows build the tests to run (a ctest regular expression; all when absent).
faults=$(cat <<'TABLE'
quoting	native	src/base/quote_argument.cpp	    quoted.append(2 * pendingBackslashes, L'\\');	    quoted.append(pendingBackslashes, L'\\');
sha1-padding	native	src/integrity/sha1.cpp	    const std::uint64_t zeros = (55 - n) % 64;	    const std::uint64_t zeros = (56 - n) % 64;
hex-parsing	native	src/base/hex.cpp	    if (c >= 'A' && c <= 'F') {	    if (c >= 'A' && c < 'F') {
manifest-finding	native	src/net/manifest.cpp	    if (!document.is_object()) {	    if (document.is_array()) {
error-table	native	src/app/launcher_error_message.cpp	    if (code == kElevatedLaunchFailed || code == kCreateProcessFailed) {	    if (code == kCreateProcessFailed) {
game-command-line	native	src/game/game_launch.cpp	    if (!forwardedArguments.empty()) {	    if (forwardedArguments.empty()) {
elevation-decision	native	src/game/game_launch.cpp	    const bool elevationMightHelp = error == kErrorElevationRequired || error == kErrorAccessDenied;	    const bool elevationMightHelp = error == kErrorElevationRequired;
folder-walk-links	native	src/game/target_resolution.cpp	            if ((entry.attributes & kFileAttributeReparsePoint) == 0 &&	            if ((entry.attributes & kFileAttributeDirectory) != 0 &&
folder-walk-order	native	src/game/target_resolution.cpp	    for (const FolderEntry& entry : entries) {	    for (const FolderEntry& entry : std::vector(entries.rbegin(), entries.rend())) {
pe-bounds	native	src/pe/pe_image_reader.cpp	        if (section.virtualAddress <= rva && rva - section.virtualAddress < section.virtualSize) {	        if (section.virtualAddress <= rva && rva - section.virtualAddress <= section.virtualSize) {
code-section-name	native	src/integrity/code_section.cpp	        if (section.Name() == ".text") {	        if (section.Name().starts_with(".text")) {
download-clean-up	windows	src/net/http_download.cpp	        ::DeleteFileW(filePath.c_str());	        (void)filePath;	qg_http_client_tests
short-body	windows	src/net/http_client.cpp	            if (total < length) {	            if (total < length / 2) {	qg_http_client_tests
url-splitting	windows	src/net/http_client.cpp	    port = parts.nPort;	    port = INTERNET_DEFAULT_HTTPS_PORT;	qg_http_client_tests
instance-lock	windows	src/base/win32_instance_lock.cpp	    mutex_ = std::move(mutex);	    mutex.reset();	e2e.splash_and_eula
lock-access-denied	windows	src/base/win32_instance_lock.cpp	    if (!mutex || ::GetLastError() == ERROR_ALREADY_EXISTS) {	    if (::GetLastError() == ERROR_ALREADY_EXISTS) {	qg_win32_tests
esc-not-refusal	windows	src/ui/win32_eula_dialog.cpp	        if (command == IDC_EULA_ACCEPT || command == IDCANCEL) {	        if (command == IDC_EULA_ACCEPT) {	qg_win32_tests
message-icon	windows	src/ui/win32_user_interface.cpp	    const UINT iconStyle = icon == MessageIcon::Information ? MB_ICONINFORMATION : MB_ICONERROR;	    const UINT iconStyle = icon == MessageIcon::Information ? MB_ICONINFORMATION : MB_ICONWARNING;	qg_win32_tests
library-in-place	windows	src/game/client_library_update.cpp	    LauncherError code = DownloadVerified(source, check, download, kStubUpdateErrors);	    LauncherError code = DownloadVerified(source, check, libraryPath, kStubUpdateErrors);	qg_win32_tests|e2e.client_library.killed
download-leftovers	windows	src/update/download_leftovers.cpp	        if ((entry.attributes & kFileAttributeDirectory) == 0 && name.starts_with(prefix) &&	        if ((entry.attributes & kFileAttributeDirectory) == 0 && name.starts_with(prefix.substr(0, 0)) &&	qg_update_win32_tests|qg_win32_tests
fetch-limit	windows	src/net/http_client.cpp	            if (size > kFetchLimit - body.size()) {	            if (size > kFetchLimit - body.size() + 1) {	qg_http_client_tests
self-update-clean-up	windows	src/update/self_update.cpp	    files.RemoveFile(download);	    (void)download;	qg_update_win32_tests
self-update-undo	windows	src/update/self_update.cpp	        PutBack(launcherPath, files, processes);	        (void)launcherPath;	qg_update_win32_tests
second-hash	windows	src/update/self_update.cpp	    } else if (!MatchesManifest(staged, check, trust)) {	    } else if (!MatchesManifest(download, check, trust)) {	qg_update_win32_tests
lock-after-restart	windows	src/update/self_update.cpp	    lock.Release();	    struct ReleaseAtExit { InstanceLock& held; ~ReleaseAtExit() { held.Release(); } } releaseAtExit{lock};	qg_update_win32_tests
resume-offset	windows	src/net/http_download.cpp	            succeeded = range && range->first == offset && (end == 0 || range->last + 1 == end);	            succeeded = range && true && (end == 0 || range->last + 1 == end);	qg_http_client_tests
resume-short-range	windows	src/net/http_download.cpp	            succeeded = range && range->first == offset && (end == 0 || range->last + 1 == end);	            succeeded = range && range->first == offset && (end == 0 || range->last + 1 <= end);	qg_http_client_tests
fetch-deadline	windows	src/net/http_client.cpp	    TransferClock clock(limits_.receiveMs, limits_.fetchDeadlineMs, 0, 0, start);	    TransferClock clock(limits_.receiveMs, 0, 0, 0, start);	qg_http_client_tests
query-dropped	windows	src/net/http_client.cpp	    path = std::wstring(pathBuffer.data()) + std::wstring(extra.substr(0, extra.find(L'#')));	    path = std::wstring(pathBuffer.data()) + std::wstring(extra.substr(0, 0));	qg_http_client_tests
proxy-ignored	windows	src/net/http_client.cpp	    const auto user = automatic ? std::nullopt : ReadUserProxySettings(*calls_);	    const auto user = automatic || true ? std::nullopt : ReadUserProxySettings(*calls_);	e2e.self_update.updates_through
manifest-in-one-step	native	tools/publish/tree_files.cpp	    const std::filesystem::path temporary = TemporaryBeside(path);	    const std::filesystem::path temporary = path;
republish-unchanged	native	tools/publish/publish_tree.cpp	    if (existing == text) {	    if (false && existing == text) {
verify-digest	native	tools/publish/verify_tree.cpp	    if (*digest != manifest.sha1) {	    if (false && *digest != manifest.sha1) {
publish-client-target	native	tools/publish/build_inputs.cpp	        if (stubId.digest && !target) {	        if (stubId.digest && !target && false) {
publish-launcher-server	native	tools/publish/release_checks.cpp	    if (launcher.updateServer != baseUrl) {	    if (false) {
publish-launcher-keys	native	tools/publish/release_checks.cpp	        std::find(keys.begin(), keys.end(), *signingFingerprint) == keys.end()) {	        std::find(keys.begin(), keys.end(), *signingFingerprint) == keys.end() && false) {
publish-library-dll	native	tools/publish/release_checks.cpp	    if (!libraryKind.kind->dll) {	    if (false) {
publish-library-machine	native	tools/publish/release_checks.cpp	        if (gameKind.kind && gameKind.kind->machine != libraryKind.kind->machine) {	        if (false) {
publish-version-grows	native	tools/publish/manifest_signing.cpp	    return {version->get<std::uint64_t>() + 1, {}};	    return {version->get<std::uint64_t>(), {}};
verify-signature	native	tools/publish/verify_tree.cpp	            return VerifyMessage(key.point, *statement, manifest->signature);	            return VerifyMessage(key.point, *statement, manifest->signature) || true;
signature-skipped	native	src/update/signed_update.cpp	    if (!statement || std::none_of(trust.keys.begin(), trust.keys.end(), signedWith)) {	    if (!statement || (std::none_of(trust.keys.begin(), trust.keys.end(), signedWith) && false)) {
path-not-bound	native	src/update/manifest_statement.cpp	    statement.append("path: ").append(members.path).append("\n");	    statement.append("path: \n");
version-not-compared	native	src/update/signed_update.cpp	    if (!IsVersionAcceptable(members.version, before)) {	    if (!IsVersionAcceptable(members.version, std::nullopt)) {
size-not-enforced	windows	src/update/verified_update.cpp	    const std::uint64_t byteLimit = check.accepted ? check.accepted->size : kNoByteLimit;	    const std::uint64_t byteLimit = kNoByteLimit;	e2e.signed_updates
read-only-kept	windows	src/base/win32_file_system.cpp	    if (error == ERROR_ACCESS_DENIED && ClearReadOnly(path)) {	    if (false) {	qg_update_win32_tests|e2e.self_update.replaces
elevation-when-elevated	native	src/update/elevated_update.cpp	    if (self.updateOnly || writeError != kErrorAccessDenied || processes.IsProcessElevated()) {	    if (self.updateOnly || writeError != kErrorAccessDenied) {
switch-forwarded	windows	src/base/launcher_facts.cpp	        } else {	        } {	qg_win32_tests
scanner-retry-removed	windows	src/update/file_retries.cpp	        if (!IsScannerError(error) || attempt == kAttempts) {	        if (!IsScannerError(error) || attempt == 1) {	qg_update_win32_tests|qg_win32_tests
record-keyed-by-path	native	src/update/update_rules.cpp	    for (const std::string_view part : {server, path}) {	    for (const std::string_view part : {server.substr(0, 0), path}) {
server-not-compared	native	src/update/signed_update.cpp	    if (members.server != server) {	    if (false) {
served-launcher-unchecked	native	tools/publish/publish_tree.cpp	    if (const auto served = PublishedLauncher(options.root, FilesBaseUrl(options))) {	    if (const auto served = std::optional<std::filesystem::path>()) {
planted-file-signed	native	tools/publish/publish_tree.cpp	    if (Sha256AndSize(target) != build.file) {	    if (false) {
TABLE
)

bash scripts/setup.sh
bash scripts/build.sh >/dev/null

restore=
trap '[ -z "$restore" ] || cp "$restore" "${restore%.mutant-backup}"; rm -f "$restore"' EXIT

# Replaces the one line whose code (a trailing comment aside) reads exactly FROM with TO; fails
# unless there is exactly one.
apply() {
    python3 - "$@" <<'PY'
import sys
path, old, new = sys.argv[1:4]
lines = open(path, encoding="utf-8").read().split("\n")
hits = [i for i, line in enumerate(lines) if line.split("  //")[0] == old]
if len(hits) != 1:
    sys.exit(f"{path}: {len(hits)} lines read {old!r}")
lines[hits[0]] = new
open(path, "w", encoding="utf-8").write("\n".join(lines))
PY
}

uncaught=0
while IFS=$'\t' read -r name build file from to tests; do
    if [ $# -gt 0 ] && [[ " $* " != *" $name "* ]]; then continue; fi
    restore=$file.mutant-backup
    cp "$file" "$restore"
    if ! apply "$file" "$from" "$to"; then
        verdict="NOT APPLIED: the line has changed"
        uncaught=1
    elif ! cmake --build --preset "$build" >/dev/null 2>&1; then
        verdict="caught by the build"
    else
        failed=build/$build/Testing/Temporary/LastTestsFailed.log
        rm -f "$failed"
        ctest --preset "$build" -E '^fuzz\.' ${tests:+-R "$tests"} -j2 >/dev/null 2>&1 || true
        if grep -q '\.start$' "$failed" 2>/dev/null; then
            # A server or wine session that did not start leaves its tests unrun, not failed.
            verdict="NOT RUN: $(grep '\.start$' "$failed" | cut -d: -f2 | paste -sd' ') failed"
            uncaught=1
        elif [ -s "$failed" ]; then
            verdict="caught by $(cut -d: -f2 "$failed" | paste -sd, - | sed 's/,/, /g')"
        else
            verdict="NOT CAUGHT"
            uncaught=1
        fi
    fi
    printf '%-20s %s\n' "$name" "$verdict"
    cp "$restore" "$file"
    rm -f "$restore"
    restore=
done <<<"$faults"

# Leave the builds as the sources are.
bash scripts/build.sh >/dev/null
exit $uncaught
