"""The GitHub workflows read as YAML: every action pinned to a full commit, no
job on a runner label GitHub has retired, permissions stated per job, every
Mac configure step naming the SDK, no code signed with --deep, the release
job refusing branches, and five of its steps (the secrets' check, the tag's
check, the certificates' import, attaching the files, the clean-up) run here
with bash against stand-ins for plutil, uuidgen, gh and security.

Environment: ASSISTANT_SOURCE, ASSISTANT_TEST_OUTPUT.
"""

import base64
import glob
import os
import re
import shutil
import subprocess
import unittest

import yaml

SOURCE = os.environ["ASSISTANT_SOURCE"]
WORKFLOWS = sorted(glob.glob(os.path.join(SOURCE, ".github", "workflows", "*.yml")))

# Runner labels GitHub has retired: a job asking for one ends with an error
# before its first step. The one place to add a label when its image goes.
RETIRED_LABELS = {
    "macos-10.15", "macos-11", "macos-12", "macos-12-large", "macos-13", "macos-13-large", "macos-13-xlarge",
    "macos-14", "macos-14-large", "macos-14-xlarge",  # macos-14: 2026-11-02
    "ubuntu-18.04", "ubuntu-20.04", "windows-2016", "windows-2019",
}

PINNED = re.compile(r"^[\w.-]+/[\w./-]+@[0-9a-f]{40}$")


def load(path):
    with open(path) as f:
        text = f.read()
    # YAML 1.1 reads the key "on" as True.
    return text, yaml.safe_load(text)


def labels(job):
    """Every runner label a job may ask for, its matrix's values included."""
    runs_on = job.get("runs-on", [])
    found = runs_on if isinstance(runs_on, list) else [runs_on]
    matrix = job.get("strategy", {}).get("matrix", {})
    if isinstance(matrix, dict):
        for values in matrix.values():
            if isinstance(values, list):
                found += [v for v in values if isinstance(v, str)]
    return found


def evaluate(condition, context):
    """A job condition made only of ==, &&, ||, startsWith() and github.*
    values, evaluated for `context`; anything else fails the test."""
    python = condition
    for name in re.findall(r"\bgithub\.\w+", condition):
        python = python.replace(name, repr(context[name]))
    python = python.replace("&&", " and ").replace("||", " or ").replace("startsWith", "starts_with")
    if not re.fullmatch(r"[\s'\w/.\-()=,]*", python.replace("==", "")):
        raise AssertionError(f"the condition holds more than this test reads: {condition}")
    return eval(python, {"__builtins__": {}}, {"starts_with": lambda s, p: s.lower().startswith(p.lower())})


def step_named(job, start):
    return next(step for step in job["steps"] if step.get("name", "").startswith(start))


def step_environment(job, step, secrets):
    """The environment GitHub gives a step of its own: the job's env and the
    step's, each `${{ secrets.NAME }}` replaced by that secret (a secret the
    step does not name is not there)."""
    environment = {}
    for name, value in {**job.get("env", {}), **step.get("env", {})}.items():
        secret = re.fullmatch(r"\$\{\{\s*secrets\.(\w+)\s*\}\}", str(value))
        environment[name] = secrets.get(secret.group(1), "") if secret else str(value)
    return environment


# A stand-in for macOS's `security` with keychains as text files, one
# identity a line. `import` checks the password a .p12 stand-in holds (its
# lines identity=NAME and password=PASSWORD) and adds its identity;
# find-identity lists the keychain's identities as the real tool does, the
# codesigning policy leaving out installer identities (they sign packages,
# not code).
SECURITY = r"""command=$1
shift
case $command in
  create-keychain) : >"$3" ;;
  import)
    file=$1
    shift
    while [ $# -gt 0 ]; do
      case $1 in -k) keychain=$2 ;; -P) password=$2 ;; esac
      shift 2
    done
    if [ "$password" != "$(sed -n 's/^password=//p' "$file")" ]; then
      echo "security: SecKeychainItemImport: MAC verification failed during PKCS12 import (wrong password?)" >&2
      exit 1
    fi
    sed -n 's/^identity=//p' "$file" >>"$keychain"
    echo "1 identity imported." ;;
  list-keychains) [ "$3" = -s ] || echo '    "/Users/runner/Library/Keychains/login.keychain-db"' ;;
  find-identity)
    count=0
    while IFS= read -r identity; do
      case "$3:$identity" in "codesigning:Developer ID Installer"*) continue ;; esac
      count=$((count + 1))
      printf '  %d) %040d "%s"\n' "$count" "$count" "$identity"
    done <"$4"
    printf '     %d valid identities found\n' "$count" ;;
esac
exit 0
"""
APPLICATION = "Developer ID Application: ORVENTA Test (TEAM123456)"
INSTALLER = "Developer ID Installer: ORVENTA Test (TEAM123456)"


def p12(identity, password):
    """A .p12 stand-in as the secret holds it: base64."""
    return base64.b64encode(f"identity={identity}\npassword={password}\n".encode()).decode()


class Workflows(unittest.TestCase):
    def setUp(self):
        self.assertTrue(WORKFLOWS)
        self.scratch = os.path.join(os.environ["ASSISTANT_TEST_OUTPUT"], "workflows")
        shutil.rmtree(self.scratch, ignore_errors=True)
        os.makedirs(self.scratch)

    def tearDown(self):
        shutil.rmtree(self.scratch, ignore_errors=True)

    def test_every_action_is_pinned_to_a_commit(self):
        for path in WORKFLOWS:
            text, workflow = load(path)
            for name, job in workflow["jobs"].items():
                uses = [job["uses"]] if "uses" in job else []
                uses += [step["uses"] for step in job.get("steps", []) if "uses" in step]
                for action in uses:
                    with self.subTest(workflow=os.path.basename(path), job=name, action=action):
                        self.assertRegex(action, PINNED)
                        line = re.search(r"uses:\s*" + re.escape(action) + r"(.*)$", text, re.MULTILINE)
                        self.assertRegex(line.group(1), r"#\s*v\d", "the release is named in a comment")

    def test_no_job_runs_on_a_retired_label(self):
        for path in WORKFLOWS:
            _, workflow = load(path)
            for name, job in workflow["jobs"].items():
                with self.subTest(workflow=os.path.basename(path), job=name):
                    found = labels(job)
                    self.assertTrue(found or "uses" in job, "the job names its runner")
                    self.assertEqual([label for label in found if label in RETIRED_LABELS], [])

    def test_permissions_are_stated_per_job(self):
        for path in WORKFLOWS:
            _, workflow = load(path)
            self.assertEqual(workflow.get("permissions"), {}, "nothing granted to the workflow as a whole")
            for name, job in workflow["jobs"].items():
                with self.subTest(workflow=os.path.basename(path), job=name):
                    permissions = job.get("permissions")
                    self.assertIsInstance(permissions, dict)
                    attaches = any("gh release" in step.get("run", "") for step in job.get("steps", []))
                    self.assertEqual(permissions.get("contents"), "write" if attaches else "read")
                    self.assertEqual(set(permissions.values()) - {"read", "write" if attaches else "read"}, set())

    def test_every_mac_configure_step_names_the_sdk(self):
        # Without it CMake may take headers installed elsewhere on the runner
        # (Homebrew's, an older Xcode's) for the SDK's.
        found = 0
        for path in WORKFLOWS:
            _, workflow = load(path)
            for name, job in workflow["jobs"].items():
                if not any(label.startswith("macos") for label in labels(job)):
                    continue
                for step in job.get("steps", []):
                    for command in re.findall(r"cmake -S (?:\\\n|[^\n])*", step.get("run", "")):
                        found += 1
                        with self.subTest(workflow=os.path.basename(path), job=name, step=step.get("name")):
                            self.assertIn("-DCMAKE_OSX_SYSROOT=macosx", command.split())
        self.assertGreater(found, 0)

    def test_no_code_is_signed_with_deep(self):
        # Apple discourages --deep for signing: nested code is signed on its
        # own, from the inside out. Verifying with it is another matter.
        found = 0
        for path in WORKFLOWS:
            _, workflow = load(path)
            for name, job in workflow["jobs"].items():
                for step in job.get("steps", []):
                    for line in step.get("run", "").splitlines():
                        words = line.split()
                        if "codesign" in words and ("--sign" in words or "-s" in words):
                            found += 1
                            with self.subTest(workflow=os.path.basename(path), job=name, line=line.strip()):
                                self.assertNotIn("--deep", words)
        self.assertGreater(found, 0)

    def test_the_release_job_runs_for_v_tags_only(self):
        _, workflow = load(os.path.join(SOURCE, ".github", "workflows", "release.yml"))
        job = workflow["jobs"]["release"]
        self.assertNotIn("secrets", job["if"])
        cases = [
            ("a pushed tag", "refs/tags/v1.0", "tag", True),
            ("a tag chosen by hand", "refs/tags/v2.3.1", "tag", True),
            ("a branch", "refs/heads/main", "branch", False),
            ("a branch named like a version", "refs/heads/v1.0", "branch", False),
            ("another tag", "refs/tags/nightly", "tag", False),
        ]
        for name, ref, ref_type, runs in cases:
            with self.subTest(name):
                context = {"github.ref": ref, "github.ref_type": ref_type, "github.ref_name": ref.split("/", 2)[2],
                           "github.event_name": "workflow_dispatch"}
                self.assertIs(evaluate(job["if"], context), runs)

    def run_step(self, step, tools, environment):
        """Runs a step's script as GitHub runs it (bash -e, pipefail) with
        `tools` ({name: shell script}) first on PATH, in the scratch folder."""
        bin_folder = os.path.join(self.scratch, "bin")
        os.makedirs(bin_folder, exist_ok=True)
        for name, body in tools.items():
            with open(os.path.join(bin_folder, name), "w") as f:
                f.write("#!/bin/sh\necho \"" + name + " $*\" >>\"$CALLS\"\n" + body)
            os.chmod(os.path.join(bin_folder, name), 0o755)
        calls = os.path.join(self.scratch, "calls.txt")
        if os.path.exists(calls):
            os.remove(calls)
        env = {"PATH": bin_folder + ":/usr/bin:/bin", "CALLS": calls, "HOME": self.scratch, **environment}
        run = subprocess.run(["bash", "--noprofile", "--norc", "-eo", "pipefail", "-c", step["run"]],
                             cwd=self.scratch, env=env, capture_output=True, text=True, timeout=30)
        with open(calls) if os.path.exists(calls) else open(os.devnull) as f:
            made = f.read().splitlines()
        return run, made

    def test_a_missing_secret_stops_the_release_first(self):
        text, workflow = load(os.path.join(SOURCE, ".github", "workflows", "release.yml"))
        job = workflow["jobs"]["release"]
        step = job["steps"][0]
        self.assertTrue(step["name"].startswith("The release secrets are set"))
        secrets = sorted(set(re.findall(r"secrets\.(\w+)", text)))
        self.assertIn("DEVELOPER_ID_INSTALLER_CERTIFICATE_P12", secrets)
        everything = {name: "set" for name in secrets}
        run, _ = self.run_step(step, {}, everything)
        self.assertEqual(run.returncode, 0, run.stdout + run.stderr)
        for name in secrets:
            with self.subTest(name):
                run, _ = self.run_step(step, {}, {**everything, name: ""})
                self.assertEqual(run.returncode, 1, run.stdout + run.stderr)
                self.assertIn(f"missing: {name} (see docs/releasing.md)", run.stdout)

    def test_the_tag_must_name_the_apps_version(self):
        _, workflow = load(os.path.join(SOURCE, ".github", "workflows", "release.yml"))
        step = step_named(workflow["jobs"]["release"], "The tag names the app's version")
        # plutil -extract CFBundleShortVersionString raw -o - FILE, for an app of version 1.0
        plutil = '[ "$2" = CFBundleShortVersionString ] && [ "$3" = raw ] || exit 1\necho 1.0\n'
        app = "build/app/DriverAssistant.app"
        for name, tag, status in [
            ("the tag of the app's version", "v1.0", 0),
            ("the tag of another version", "v1.1", 1),
            ("the version without its v", "1.0", 1),
        ]:
            with self.subTest(name):
                # As a runner sets them for a pushed tag.
                run, calls = self.run_step(step, {"plutil": plutil},
                                           {"APP": app, "GITHUB_REF": "refs/tags/" + tag, "GITHUB_REF_NAME": tag,
                                            "GITHUB_REF_TYPE": "tag"})
                self.assertEqual(run.returncode, status, run.stdout + run.stderr)
                self.assertEqual(calls, [f"plutil -extract CFBundleShortVersionString raw -o - {app}/Contents/Info.plist"])
                if status:
                    self.assertEqual(run.stdout, f"::error::The tag {tag} does not name the app's version 1.0"
                                                 " (expected v1.0)\n")

    def test_the_certificates_import_gives_each_identity_its_role(self):
        _, workflow = load(os.path.join(SOURCE, ".github", "workflows", "release.yml"))
        job = workflow["jobs"]["release"]
        paths_step = step_named(job, "Paths of the secret files")
        step = step_named(job, "Import the Developer ID certificates")
        secrets = {"DEVELOPER_ID_CERTIFICATE_P12": p12(APPLICATION, "application-secret"),
                   "DEVELOPER_ID_CERTIFICATE_PASSWORD": "application-secret",
                   "DEVELOPER_ID_INSTALLER_CERTIFICATE_P12": p12(INSTALLER, "installer-secret"),
                   "DEVELOPER_ID_INSTALLER_CERTIFICATE_PASSWORD": "installer-secret"}
        for name in secrets:
            self.assertIn(name, step["run"])
        tools = {"security": SECURITY, "uuidgen": "echo 5E4B8C1A-8F57-4C0B-9A39-2D0C6F1E7B10\n"}
        for name, changes, status, error in [
            ("both certificates", {}, 0, None),
            ("the installer's secret holds the application certificate",
             {"DEVELOPER_ID_INSTALLER_CERTIFICATE_P12": p12(APPLICATION, "installer-secret")}, 1,
             "::error::The installer certificate holds no Developer ID Installer identity\n"),
            ("the application's secret holds the installer certificate",
             {"DEVELOPER_ID_CERTIFICATE_P12": p12(INSTALLER, "application-secret")}, 1,
             "::error::The certificate holds no Developer ID Application identity\n"),
            ("the installer certificate's password is wrong",
             {"DEVELOPER_ID_INSTALLER_CERTIFICATE_PASSWORD": "application-secret"}, 1, None),
        ]:
            with self.subTest(name):
                temp = os.path.join(self.scratch, "runner-temp")
                shutil.rmtree(temp, ignore_errors=True)
                os.makedirs(temp)
                github_env = os.path.join(self.scratch, "github-env")
                with open(github_env, "w"):
                    pass
                runner = {"RUNNER_TEMP": temp, "GITHUB_ENV": github_env}
                run, _ = self.run_step(paths_step, {}, runner)
                self.assertEqual(run.returncode, 0, run.stdout + run.stderr)
                with open(github_env) as f:
                    earlier = dict(line.split("=", 1) for line in f.read().splitlines())
                keychain = earlier["KEYCHAIN"]
                run, calls = self.run_step(step, tools, {**earlier, **runner,
                                                         **step_environment(job, step, {**secrets, **changes})})
                output = run.stdout + run.stderr
                self.assertEqual(run.returncode, status, output)
                with open(github_env) as f:
                    written = dict(line.split("=", 1) for line in f.read().splitlines())
                for secret in secrets.values():
                    self.assertNotIn(secret, output + str(written), "no secret is printed or passed on")
                if status:
                    self.assertTrue(run.stdout.endswith(error) if error else "wrong password" in run.stderr, output)
                    continue
                self.assertEqual({key: written[key] for key in written if key not in earlier},
                                 {"CODESIGN_KEYCHAIN": keychain, "DEVELOPER_ID_APPLICATION": APPLICATION,
                                  "DEVELOPER_ID_INSTALLER": INSTALLER})
                self.assertIn(f"security list-keychains -d user -s {keychain}"
                              " /Users/runner/Library/Keychains/login.keychain-db", calls,
                              "the keychain goes first on the user's search list, the others kept")
                left = sorted(os.path.relpath(os.path.join(d, f), temp) for d, _, fs in os.walk(temp) for f in fs)
                self.assertEqual(left, [os.path.basename(keychain)], "the certificates' files are removed")

    def test_clean_up_removes_each_secret_on_its_own(self):
        _, workflow = load(os.path.join(SOURCE, ".github", "workflows", "release.yml"))
        step = step_named(workflow["jobs"]["release"], "Remove the keychain")
        self.assertEqual(step.get("if"), "always()")
        for name, security, survives, status in [
            ("all goes", "exit 0\n", [], 0),
            ("the keychain cannot be deleted", "echo 'security: SecKeychainDelete: in use' >&2\nexit 50\n",
             ["release.keychain-db"], 1),
        ]:
            with self.subTest(name):
                temp = os.path.join(self.scratch, "runner-temp")
                shutil.rmtree(temp, ignore_errors=True)
                for folder in ("notary", "vendor"):
                    os.makedirs(os.path.join(temp, folder))
                files = ["release.keychain-db", "developer-id.p12", "developer-id-installer.p12", "notary/AuthKey.p8",
                         "vendor/CH34xVCPDriver.pkg"]
                for file in files:
                    open(os.path.join(temp, file), "w").close()
                # The stand-in deletes the keychain only when it succeeds.
                body = security if status else 'rm -f "$2"\n' + security
                run, calls = self.run_step(step, {"security": body},
                                           {"RUNNER_TEMP": temp, "KEYCHAIN": os.path.join(temp, "release.keychain-db")})
                self.assertEqual(run.returncode, status, run.stdout + run.stderr)
                self.assertEqual(calls, ["security delete-keychain " + os.path.join(temp, "release.keychain-db")])
                left = sorted(os.path.relpath(os.path.join(d, f), temp) for d, _, fs in os.walk(temp) for f in fs)
                self.assertEqual(left, survives)
                if status:
                    self.assertIn("Could not remove: keychain", run.stdout)

    def test_an_attached_file_is_never_replaced(self):
        _, workflow = load(os.path.join(SOURCE, ".github", "workflows", "release.yml"))
        step = step_named(workflow["jobs"]["release"], "Attach the image")
        self.assertNotIn("--clobber", step["run"])
        image, checksum = "DriverAssistant-1.0.dmg", "DriverAssistant-1.0.dmg.sha256"
        package, package_checksum = "DriverAssistant-1.0.pkg", "DriverAssistant-1.0.pkg.sha256"
        files = " ".join(f"dist/{file}" for file in (image, checksum, package, package_checksum))
        view = "gh release view v1.0 --json assets --jq .assets[].name"
        for name, assets, status, expected in [
            ("no release yet", None, 0,
             [view, f"gh release create v1.0 {files} --verify-tag --title ORVENTA Driver Assistant v1.0"]),
            ("a release without the image", ["notes.txt"], 0, [view, f"gh release upload v1.0 {files}"]),
            ("the image is attached", [image, checksum], 1, [view]),
            ("only the checksum is attached", [checksum], 1, [view]),
            ("only the installer package is attached", [package], 1, [view]),
            ("only the package's checksum is attached", [package_checksum], 1, [view]),
        ]:
            with self.subTest(name):
                shutil.rmtree(os.path.join(self.scratch, "dist"), ignore_errors=True)
                os.makedirs(os.path.join(self.scratch, "dist"))
                for file in (image, checksum, package, package_checksum):
                    open(os.path.join(self.scratch, "dist", file), "w").close()
                if assets is None:
                    gh = '[ "$2" = view ] && { echo "release not found" >&2; exit 1; }\nexit 0\n'
                else:
                    gh = '[ "$2" = view ] && printf "%s\\n" ' + " ".join(assets) + "\nexit 0\n"
                run, calls = self.run_step(step, {"gh": gh}, {"GITHUB_REF_NAME": "v1.0", "GH_TOKEN": "token"})
                self.assertEqual(run.returncode, status, run.stdout + run.stderr)
                self.assertEqual(calls, expected)
                if status:
                    self.assertIn("a published file is never replaced", run.stdout)


if __name__ == "__main__":
    unittest.main()
