"""The program in the user's language, on a simulated Mac: GNUstep chooses
the table by LANGUAGE. A German run through an offer and a result, with its
support record still in English; every language by the Mac's own name for
it; a language the program does not ship falls back to English; the
self-check stays English whatever the language. The expected texts are read
from the bundle's own tables: a translation is data, not a test's."""

import os
import re
import unittest

import harness
import scenario as s
from bundles import shipped_languages, text_table
from scenario import Alert

# The Mac's name of each language as LANGUAGE holds it, and the table that
# language has: every table the program ships.
MAC_LANGUAGES = [
    ("ar", "ar"), ("ca", "ca"), ("cs", "cs"), ("da", "da"), ("de", "de"), ("el", "el"), ("en", "en"),
    ("es", "es"), ("es_419", "es-419"), ("fi", "fi"), ("fr", "fr"), ("fr_CA", "fr-CA"), ("he", "he"),
    ("hi", "hi"), ("hr", "hr"), ("hu", "hu"), ("id", "id"), ("it", "it"), ("ja", "ja"), ("ko", "ko"),
    ("ms", "ms"), ("no", "nb"), ("nl", "nl"), ("pl", "pl"), ("pt", "pt-BR"), ("pt_PT", "pt-PT"),
    ("ro", "ro"), ("ru", "ru"), ("sk", "sk"), ("sv", "sv"), ("th", "th"), ("tr", "tr"), ("uk", "uk"),
    ("vi", "vi"), ("zh_CN", "zh-Hans"), ("zh_HK", "zh-HK"), ("zh_TW", "zh-Hant"),
]

# GNUstep's own description of Polish (its Languages/Polish) is no property
# list it can read: GNUstep says so on standard error, once, whenever
# LANGUAGE names Polish.
GNUSTEP_POLISH_WARNING = re.compile(
    rb"^[^\n]* In -\[NSDictionary initWithContentsOfFile:\] Contents of file '[^'\n]*/Languages/Polish' "
    rb"does not contain a dictionary\n")


def filled(text, *arguments):
    """`text` with %1$@, %2$@ ... replaced by `arguments`."""
    for number, argument in enumerate(arguments, 1):
        text = text.replace("%%%d$@" % number, argument)
    return text


def german(program):
    """The German alerts of an offer, a result and a failure, as the table
    of `program`'s bundle has them."""
    de = text_table(program, "de")
    environment = filled(de["environmentLine"], os.uname().release)
    return {
        "driverRequired": Alert(de["driverRequired.title"], filled(de["driverRequired.message"], environment),
                                [de["button.installDriver"], de["button.cancel"]]),
        "completeInstallation": Alert(de["completeInstallation.title"], de["completeInstallation.message"],
                                      [de["button.recheck"], de["button.close"]]),
        # Not macOS: the place of 13 and 14.
        "approvalOrRestartRequired": Alert(
            de["approvalOrRestartRequired.title"],
            filled(de["approvalOrRestartRequired.message"], de["approvalPlace.macOS13"]), [de["button.ok"]]),
        "packageMissing": Alert(de["unableToContinue.title"], de["error.packageMissing"], [de["button.ok"]]),
    }


def german_terminal_text(program, alert):
    """The alert as the terminal presenter writes it in German."""
    de = text_table(program, "de")
    numbered = "".join("%d. %s\n" % (i + 1, b) for i, b in enumerate(alert.buttons))
    prompt = (de["terminal.pressOne"] if len(alert.buttons) == 1
              else filled(de["terminal.chooseRange"], str(len(alert.buttons))))
    return alert.title + "\n" + alert.message + "\n" + numbered + prompt + "\n"


class Languages(unittest.TestCase):
    maxDiff = None

    def run_program(self, machine, program, language, typed=b"", arguments=()):
        result = machine.run([program] + list(arguments), input=typed,
                             env=harness.plain_environment(LANGUAGE=language))
        # GNUstep complains on standard error about a table it cannot read as
        # UTF-8; nothing else is written there.
        self.assertEqual(GNUSTEP_POLISH_WARNING.sub(b"", result.stderr) if language.startswith("pl") else result.stderr,
                         b"")
        return result

    def test_german_through_an_offer_and_a_result(self):
        with s.BundleCopy(s.test_program()) as bundle, s.mac(after_open=s.WAITING, log=True) as machine:
            result = self.run_program(machine, bundle.executable, "de", b"1\n1\n1\n")
            alerts = german(bundle.executable)
            shown = ("driverRequired", "completeInstallation", "approvalOrRestartRequired")
            self.assertEqual(result.stdout.decode(),
                             "".join(german_terminal_text(bundle.executable, alerts[a]) for a in shown))
            self.assertEqual(result.returncode, 0)
            copy = s.PrivateCopy()
            self.assertEqual(machine.calls(), s.DRIVER_STATE + s.verification(copy) + s.opening(copy) + s.DRIVER_STATE)
            # Support reads the record in English, with the language the user saw.
            lines = [r.message for r in machine.log_records()]
            self.assertEqual(lines[0], 'app: start: normal mode, version 1.0, OS "%s", language "de"' % os.uname().release)
            self.assertEqual([line for line in lines if line.startswith("flow: alert")],
                             ['flow: alert "Driver Required": "Install Driver"',
                              'flow: alert "Complete the WCH Installation": "Recheck"',
                              'flow: alert "Approval or Restart Required": "OK"'])

    def test_a_failure_in_german(self):
        program = s.shipped_program()
        alerts = german(program)
        with s.mac() as machine:
            result = self.run_program(machine, program, "de_DE", b"1\n1\n")
            self.assertEqual(result.stdout.decode(), german_terminal_text(program, alerts["driverRequired"]) +
                             german_terminal_text(program, alerts["packageMissing"]))

    def test_every_language_by_the_macs_name_for_it(self):
        program = s.test_program()
        self.assertEqual(sorted(folder for _, folder in MAC_LANGUAGES), shipped_languages(program),
                         "a table without a row here, or a row without a table")
        cases = MAC_LANGUAGES + [
            # Fall-backs a Mac makes too; an unshipped language gives way to
            # the next one, and finally to English.
            ("es_MX", "es-419"), ("pt_BR", "pt-BR"), ("zh_MO", "zh-HK"), ("en_GB", "en"), ("de_DE.UTF-8", "de"),
            ("is", "en"), ("is:de", "de"),
        ]
        for language, folder in cases:
            with self.subTest(language), s.mac(log=True) as machine:
                table = text_table(program, folder)
                result = self.run_program(machine, program, language, b"2\n")
                self.assertEqual(result.stdout.decode().split("\n")[0], table["driverRequired.title"])
                start = machine.log_records()[0].message
                self.assertTrue(start.endswith('language "%s"' % table["language"]), start)
        with s.mac() as machine:
            result = self.run_program(machine, program, "is", b"2\n")
            self.assertEqual(result.stdout.decode(), s.driver_required().terminal_text())

    def test_the_self_check_stays_english(self):
        with s.mac() as machine:
            result = machine.run([s.shipped_program(), "--self-check"],
                                 env=harness.plain_environment(LANGUAGE="de"))
            self.assertEqual((result.returncode, result.stdout, result.stderr.decode()),
                             (1, b"", s.PACKAGE_MISSING + "\n"))


if __name__ == "__main__":
    harness.main()
