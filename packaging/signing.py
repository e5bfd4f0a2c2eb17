"""Authenticode signatures of the release's programs and MSI, made with osslsigncode.

A Signer either signs (a certificate and key in PEM, SHA-256, the description "Korvane
<version>" and the project's URL, which Windows shows in the administrator prompt, and an RFC
3161 time stamp) and publishes each signature detached beside the packages, or attaches
signatures published before: the unsigned bytes rebuilt from the same commit plus the
published signature give the signed file again, byte for byte. Without either it does
nothing, and the release is unsigned.

A signature without a time stamp turns invalid when the certificate expires, and a release
rebuilt from its published signatures cannot mend that: signing needs a time-stamp server's
URL, or the explicit choice of none (without_timestamp), which the throwaway certificate of
the release checks makes.
"""
import os
import subprocess


def pkcs7_of(signature):
    """The PKCS#7 signature in a published .p7s file, as openssl reads it. Debian 12's
    osslsigncode (2.5) extracts a program's signature as its certificate table entry, behind a
    WIN_CERTIFICATE header (its length, revision 0x0200, type 0x0002) and padded to 8 bytes,
    and attaches only that form; later versions extract the bare signature."""
    if (len(signature) >= 12 and int.from_bytes(signature[:4], "little") == len(signature)
            and signature[4:8] == b"\x00\x02\x02\x00" and signature[8:10] == b"\x30\x82"):
        return signature[8:12 + int.from_bytes(signature[10:12], "big")]
    return signature


class Signer:
    def __init__(self, osslsigncode="", cert="", key="", timestamp_url="", signatures="", without_timestamp=False,
                 description="", url=""):
        if bool(cert) != bool(key):
            raise SystemExit("release: signing needs both a certificate and its key")
        if cert and bool(timestamp_url) == without_timestamp:
            raise SystemExit("release: signing needs a time-stamp server (KORVANE_SIGN_TIMESTAMP_URL) or, "
                             "named, none (KORVANE_SIGN_WITHOUT_TIMESTAMP); not both")
        if cert and not (description and url):
            raise SystemExit("release: signing needs the description and the URL that the signature names "
                             "(KORVANE_SIGN_URL)")
        if cert and signatures:
            raise SystemExit("release: sign with a certificate or attach published signatures, not both")
        if (cert or signatures) and not osslsigncode:
            raise SystemExit("release: signing needs osslsigncode (Debian package osslsigncode)")
        self.tool, self.cert, self.key = osslsigncode, cert, key
        self.timestamp_url, self.signatures = timestamp_url, signatures
        self.description, self.url = description, url
        self.published = []
        if cert:
            print("release: signatures named \"%s\", %s, %s" % (description, url, "time-stamped by " + timestamp_url
                  if timestamp_url else "with no time stamp (chosen): invalid once the certificate expires"))

    @property
    def active(self):
        return bool(self.cert or self.signatures)

    def sign(self, path, signature_name, out_dir, epoch):
        """Signs the file at path in place (or attaches its published signature); the
        signature goes to out_dir/signature_name. The file keeps the time epoch."""
        if not self.active:
            return
        signed = path + ".signed"
        if os.path.exists(signed):
            os.remove(signed)
        published = os.path.join(out_dir, signature_name)
        if self.cert:
            command = [self.tool, "sign", "-certs", self.cert, "-key", self.key, "-h", "sha256",
                       "-n", self.description, "-i", self.url]
            if self.timestamp_url:
                command += ["-ts", self.timestamp_url]
            self._run(command + ["-in", path, "-out", signed])
            if os.path.exists(published):
                os.remove(published)
            self._run([self.tool, "extract-signature", "-in", signed, "-out", published])
        else:
            source = os.path.join(self.signatures, signature_name)
            if not os.path.isfile(source):
                raise SystemExit("release: no published signature %s" % source)
            # attach-signature checks that the signature is of these bytes; its chain is
            # checked by whoever runs the program, so the signature's own certificates are
            # taken as trusted here.
            chain = path + ".chain.pem"
            der = path + ".p7s.der"
            with open(source, "rb") as src, open(der, "wb") as dst:
                dst.write(pkcs7_of(src.read()))
            self._run(["openssl", "pkcs7", "-inform", "DER", "-in", der, "-print_certs", "-out", chain])
            self._run([self.tool, "attach-signature", "-sigin", source, "-CAfile", chain,
                       "-in", path, "-out", signed])
            os.remove(chain)
            os.remove(der)
            if os.path.abspath(source) != os.path.abspath(published):
                with open(source, "rb") as src, open(published, "wb") as dst:
                    dst.write(src.read())
        os.replace(signed, path)
        os.utime(path, (epoch, epoch))
        self.published.append(signature_name)

    def _run(self, command):
        result = subprocess.run(command, capture_output=True, text=True)
        if result.returncode != 0:
            raise SystemExit("release: %s failed:\n%s%s" % (" ".join(command[:2]), result.stdout, result.stderr))
