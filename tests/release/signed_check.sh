#!/bin/bash
# Signs a release with a throwaway self-signed certificate made here, checks that
# osslsigncode verifies every program (in the zip and in the MSI) and the MSI, each signature
# naming "Korvane <version>" and the project's URL, and that the unsigned release of the same
# files, with the published signatures attached, rebuilds the signed release to the byte.
# Signing that names neither a time-stamp server nor the choice of none is refused; this
# check, offline, chooses none.
#
#   signed_check.sh WORK_DIR OSSLSIGNCODE RELEASE.PY RELEASE_ARGS...
#
# RELEASE_ARGS are what the build's release is made with (name and architecture too).
# Exits 77 (skipped) without osslsigncode or openssl.
set -uo pipefail
(($# >= 4)) || { echo "usage: $0 WORK_DIR OSSLSIGNCODE RELEASE.PY RELEASE_ARGS..." >&2; exit 2; }
work=$(realpath -m "$1")
osslsigncode=$2
release_py=$3
shift 3
for tool in "$osslsigncode" openssl; do
    command -v "$tool" >/dev/null || { echo "SKIPPED: ${tool:-osslsigncode} is missing (Debian package osslsigncode)"; exit 77; }
done

failures=0
fail() { echo "FAIL: $*"; failures=$((failures + 1)); }
rm -rf "$work"
mkdir -p "$work"
cd "$work" || exit 1

version=$(for ((i = 1; i < $#; i++)); do [[ ${!i} == --version ]] && { j=$((i + 1)); echo "${!j}"; }; done)
url=https://korvane.invalid/
sign=(--osslsigncode "$osslsigncode" --sign-cert cert.pem --sign-key key.pem --sign-url "$url")
openssl req -x509 -newkey rsa:2048 -nodes -keyout key.pem -out cert.pem -days 2 -subj "/CN=Korvane test signer" \
    -addext "extendedKeyUsage=codeSigning" 2>openssl.log || { cat openssl.log; exit 1; }
python3 "$release_py" "$@" --out refused --work refused-work "${sign[@]}" >refused.log 2>&1 &&
    fail "signing with neither a time-stamp server nor --sign-without-timestamp went ahead"
python3 "$release_py" "$@" --out signed --work signed-work "${sign[@]}" --sign-without-timestamp >signed.log ||
    { cat signed.log; exit 1; }
grep -m1 "^release: signatures" signed.log || fail "the release does not say how its signatures are time-stamped"

echo "--- every program and the MSI verify"
mkdir zip msi
python3 -m zipfile -e signed/*.zip zip || fail "could not unpack the zip"
msiextract -C msi signed/*.msi >/dev/null || fail "could not unpack the MSI"
verified=0
while IFS= read -r -d '' file; do
    if "$osslsigncode" verify -CAfile cert.pem -in "$file" >verify.log 2>&1; then
        verified=$((verified + 1))
        grep -q "Text description: Korvane $version\$" verify.log && grep -q "URL description: $url\$" verify.log ||
            fail "${file#"$work"/}: the signature does not name Korvane $version and $url"
    else
        fail "${file#"$work"/} does not verify: $(grep -i -m2 'error\|mismatch' verify.log | tr '\n' ' ')"
    fi
done < <(find "$work/zip" "$work/msi" "$work/signed" \( -name '*.exe' -o -name '*.msi' \) -print0)
# korvane.exe and the stand-in in the zip and in the MSI, the MSI.
((verified == 5)) || fail "$verified files verified, not 5"
echo "verified: $verified"
(cd signed && sha256sum --quiet -c SHA256SUMS) || fail "SHA256SUMS does not match the signed release"
for signature in signed/*.p7s; do
    grep -q " ${signature#signed/}\$" signed/SHA256SUMS || fail "SHA256SUMS does not name $signature"
done

echo "--- the unsigned release with the signatures attached is the signed one"
python3 "$release_py" "$@" --out attached --work attached-work --osslsigncode "$osslsigncode" \
    --signatures signed >attached.log || { cat attached.log; fail "attaching the signatures failed"; }
diff -r signed attached && echo "identical: $(ls signed | tr '\n' ' ')" ||
    fail "signed and attached releases differ"
python3 "$release_py" "$@" --out unsigned --work unsigned-work >unsigned.log || fail "the unsigned release failed"
[[ -z $(find unsigned -name '*.p7s') ]] || fail "the unsigned release publishes signatures"
"$osslsigncode" verify -in unsigned/*.msi >/dev/null 2>&1 && fail "the unsigned MSI carries a signature"

if ((failures)); then
    echo "FAIL: $failures problem(s); files in $work"
    exit 1
fi
echo "signed release: verified and rebuilt to the byte"
rm -rf "$work"
