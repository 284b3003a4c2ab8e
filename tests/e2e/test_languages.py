"""The program in the user's language, on a simulated Mac: GNUstep chooses
the table by LANGUAGE. A German run through an offer and a result, with its
support record still in English; a language the program does not ship falls
back to English; the self-check stays English whatever the language."""

import os
import unittest

import harness
import scenario as s
from scenario import Alert

# The German alerts, written out: they are what a German user reads.
UMGEBUNG = "Umgebung: " + os.uname().release
TREIBER_ERFORDERLICH = Alert(
    "Treiber erforderlich",
    UMGEBUNG + "\n\nDer erforderliche WCH-Treiber ist nicht installiert. Jetzt installieren?",
    ["Treiber installieren", "Abbrechen"])
INSTALLATION_ABSCHLIESSEN = Alert(
    "WCH-Installation abschließen",
    "Führen Sie die Schritte im Fenster des macOS-Installationsprogramms aus. Kehren Sie dann hierher zurück und "
    "klicken Sie auf „Erneut prüfen“.", ["Erneut prüfen", "Schließen"])
GENEHMIGUNG_ODER_NEUSTART = Alert(
    "Genehmigung oder Neustart erforderlich",
    "Der Treiber ist installiert, aber noch nicht aktiviert. Erlauben Sie WCH bei Bedarf unter "
    "„Systemeinstellungen > Datenschutz & Sicherheit“, starten Sie den Mac neu und öffnen Sie diesen Assistenten "
    "erneut.", ["OK"])
PAKET_FEHLT = Alert("Fortfahren nicht möglich", "Das eingebettete WCH-Treiberpaket fehlt.", ["OK"])


def german_terminal_text(alert):
    """The alert as the terminal presenter writes it in German."""
    numbered = "".join("%d. %s\n" % (i + 1, b) for i, b in enumerate(alert.buttons))
    prompt = ("Drücken Sie 1 und den Zeilenschalter: " if len(alert.buttons) == 1
              else "Wählen Sie 1-%d und drücken Sie den Zeilenschalter: " % len(alert.buttons))
    return alert.title + "\n" + alert.message + "\n" + numbered + prompt + "\n"


class Languages(unittest.TestCase):
    maxDiff = None

    def run_program(self, machine, program, language, typed=b"", arguments=()):
        result = machine.run([program] + list(arguments), input=typed,
                             env=harness.plain_environment(LANGUAGE=language))
        # GNUstep complains on standard error about a table it cannot read as
        # UTF-8; nothing else is written there.
        self.assertEqual(result.stderr, b"")
        return result

    def test_german_through_an_offer_and_a_result(self):
        with s.BundleCopy(s.test_program()) as bundle, s.mac(after_open=s.WAITING, log=True) as machine:
            result = self.run_program(machine, bundle.executable, "de", b"1\n1\n1\n")
            self.assertEqual(result.stdout.decode(), "".join(german_terminal_text(a) for a in (
                TREIBER_ERFORDERLICH, INSTALLATION_ABSCHLIESSEN, GENEHMIGUNG_ODER_NEUSTART)))
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
        with s.mac() as machine:
            result = self.run_program(machine, s.shipped_program(), "de_DE", b"1\n1\n")
            self.assertEqual(result.stdout.decode(),
                             german_terminal_text(TREIBER_ERFORDERLICH) + german_terminal_text(PAKET_FEHLT))

    def test_every_shipped_language_is_chosen_and_an_unshipped_one_falls_back_to_english(self):
        cases = [
            # LANGUAGE, the first alert's title
            ("fr", "Pilote requis"),
            ("es", "Se necesita el controlador"),
            ("ja", "ドライバが必要です"),
            ("zh_CN", "需要驱动程序"),
            ("fi", "Driver Required"),
            ("fi:de", "Treiber erforderlich"),
        ]
        for language, title in cases:
            with self.subTest(language), s.mac() as machine:
                result = self.run_program(machine, s.test_program(), language, b"2\n")
                self.assertEqual(result.stdout.decode().split("\n")[0], title)
        with s.mac() as machine:
            result = self.run_program(machine, s.test_program(), "fi", b"2\n")
            self.assertEqual(result.stdout.decode(), s.driver_required().terminal_text())

    def test_the_self_check_stays_english(self):
        with s.mac() as machine:
            result = machine.run([s.shipped_program(), "--self-check"],
                                 env=harness.plain_environment(LANGUAGE="de"))
            self.assertEqual((result.returncode, result.stdout, result.stderr.decode()),
                             (1, b"", s.PACKAGE_MISSING + "\n"))


if __name__ == "__main__":
    harness.main()
