"""Authenticode signatures of the release's programs and MSI, made with osslsigncode.

A Signer either signs (a certificate and key in PEM, SHA-256, an RFC 3161 time stamp when a
URL is given) and publishes each signature detached beside the packages, or attaches
signatures published before: the unsigned bytes rebuilt from the same commit plus the
published signature give the signed file again, byte for byte. Without either it does
nothing, and the release is unsigned.
"""
import os
import subprocess


class Signer:
    def __init__(self, osslsigncode="", cert="", key="", timestamp_url="", signatures=""):
        if bool(cert) != bool(key):
            raise SystemExit("release: signing needs both a certificate and its key")
        if cert and signatures:
            raise SystemExit("release: sign with a certificate or attach published signatures, not both")
        if (cert or signatures) and not osslsigncode:
            raise SystemExit("release: signing needs osslsigncode (Debian package osslsigncode)")
        self.tool, self.cert, self.key = osslsigncode, cert, key
        self.timestamp_url, self.signatures = timestamp_url, signatures
        self.published = []

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
            command = [self.tool, "sign", "-certs", self.cert, "-key", self.key, "-h", "sha256"]
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
            self._run(["openssl", "pkcs7", "-inform", "DER", "-in", source, "-print_certs", "-out", chain])
            self._run([self.tool, "attach-signature", "-sigin", source, "-CAfile", chain,
                       "-in", path, "-out", signed])
            os.remove(chain)
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
