"""What the guest scripts left in OUTDIR, read on the host: NAME.out, NAME.err and NAME.rc per
run, and the failures found so far (shared by check_serve.py and check_iscsi.py)."""
import os


class GuestResults:
    def __init__(self, out):
        self.out = out
        self.failures = []

    def fail(self, text):
        self.failures.append(text)
        print("FAIL: " + text)

    def read(self, name, mode="r"):
        path = os.path.join(self.out, name)
        if not os.path.exists(path):
            return b"" if "b" in mode else ""
        with open(path, mode) as f:
            return f.read()

    def status(self, name):
        text = self.read(name + ".rc").strip()
        return int(text) if text else None

    def expect_status(self, name, want):
        rc = self.status(name)
        good = rc == want if want is not None else rc not in (None, 0)
        if not good:
            self.fail(f"{name}: exit status {rc}, expected "
                      f"{want if want is not None else 'a failure'}\n"
                      f"{self.read(name + '.out')[-1500:]}{self.read(name + '.err')[-1500:]}")
