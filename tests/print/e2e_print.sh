#!/usr/bin/env bash
# Printing as a person does it, on a real print queue: a CUPS server of the test's own
# (private configuration, local socket only) with one PDF printer whose output is a file.
# "&Fichier" > "&Imprimer", Escape cancels without a job; Return prints one job, and the
# PDF reads back with the header, the notes and the separators. The PDF and a picture of
# its page stay in $E2E_OUT.
E2E_WM=1
. "$(dirname "$0")/../e2e/lib.sh"
bin=$1

for tool in cupsd lpadmin lpstat pdftotext pdftoppm; do
  command -v "$tool" >/dev/null || [ -x "/usr/sbin/$tool" ] || e2e_fail "$tool is missing (scripts/packages/print.txt)"
done
[ -x /usr/lib/cups/filter/pdftopdf ] || e2e_fail "the pdftopdf filter is missing (scripts/packages/print.txt)"

# --- The print server -------------------------------------------------------------------
# Its files live in the test's temporary folder; when it runs as root its filters run as
# the "lp" user, who must be able to reach them.
chmod 711 "$E2E_TMP"
cups=$E2E_TMP/cups
mkdir -p "$cups"/{spool/tmp,cache,state,log,ppd,out}
chmod 755 "$cups" "$cups/out"
group=$(id -gn)
cat >"$cups/cupsd.conf" <<EOF
Listen $cups/cups.sock
LogLevel debug
Browsing No
WebInterface No
DefaultAuthType None
<Location />
  Order allow,deny
  Allow all
</Location>
<Policy default>
  <Limit All>
    Order deny,allow
  </Limit>
</Policy>
EOF
cat >"$cups/cups-files.conf" <<EOF
FileDevice Yes
ServerRoot $cups
StateDir $cups/state
CacheDir $cups/cache
RequestRoot $cups/spool
TempDir $cups/spool/tmp
AccessLog $cups/log/access_log
ErrorLog $cups/log/error_log
PageLog $cups/log/page_log
SystemGroup $group
EOF
# A generic PDF printer: CUPS's pdftopdf turns the job into the printer's PDF, which the
# file device writes out as it is.
cat >"$cups/rappelix-pdf.ppd" <<'EOF'
*PPD-Adobe: "4.3"
*FormatVersion: "4.3"
*FileVersion: "1.0"
*LanguageVersion: English
*LanguageEncoding: ISOLatin1
*PCFileName: "RAPIXPDF.PPD"
*Manufacturer: "Generic"
*Product: "(PDF file)"
*ModelName: "PDF file"
*ShortNickName: "PDF file"
*NickName: "PDF file"
*PSVersion: "(3010.000) 0"
*LanguageLevel: "3"
*ColorDevice: False
*DefaultColorSpace: Gray
*FileSystem: False
*Throughput: "1"
*LandscapeOrientation: Plus90
*TTRasterizer: Type42
*cupsFilter2: "application/vnd.cups-pdf application/pdf 0 -"
*OpenUI *PageSize/Media Size: PickOne
*OrderDependency: 10 AnySetup *PageSize
*DefaultPageSize: A4
*PageSize A4/A4: "<</PageSize[595 842]>>setpagedevice"
*CloseUI: *PageSize
*OpenUI *PageRegion: PickOne
*OrderDependency: 10 AnySetup *PageRegion
*DefaultPageRegion: A4
*PageRegion A4/A4: "<</PageSize[595 842]>>setpagedevice"
*CloseUI: *PageRegion
*DefaultImageableArea: A4
*ImageableArea A4/A4: "18 36 577 806"
*DefaultPaperDimension: A4
*PaperDimension A4/A4: "595 842"
EOF

cupsd=$(command -v cupsd || echo /usr/sbin/cupsd)
"$cupsd" -f -c "$cups/cupsd.conf" -s "$cups/cups-files.conf" >"$cups/log/cupsd.out" 2>&1 &
E2E_PIDS+=($!)
export CUPS_SERVER=$cups/cups.sock
for _ in $(seq 100); do lpstat -r 2>/dev/null | grep -q 'is running' && break; sleep 0.05; done
lpstat -r 2>/dev/null | grep -q 'is running' || e2e_fail "cupsd did not start: $(cat "$cups/log/cupsd.out")"
out=$cups/out/job.pdf
lpadmin -p Rappelix-PDF -v "file://$out" -P "$cups/rappelix-pdf.ppd" -E 2>/dev/null ||
  e2e_fail "could not add the queue: $(tail -5 "$cups/log/error_log")"
lpadmin -d Rappelix-PDF
jobs_done() { lpstat -W all -o Rappelix-PDF 2>/dev/null | grep -c 'Rappelix-PDF-' || true; }

# --- The notes ----------------------------------------------------------------------------
# Three notes to print (the first on two lines, with an alert) and a blank one that is not
# printed, nor its alert. Windows-1252 bytes: \xe0 is "à", \xa4 a double quote in a text.
printf '"Le 01/12 \xe0 16:26","Acheter du pain~Appeler le \xa4garage\xa4","lundi 08/12 9h30",""\r\n"Le 02/12 \xe0 09:05","Rendre les livres","",""\r\n"Le 02/12 \xe0 09:06","   ","mardi 09/12 7h00",""\r\n"Le 03/12 \xe0 10:00","Payer la cantine","",""\r\n' \
  >"$E2E_DATA/planifs.txt"
before=$(e2e_hex "$E2E_DATA/planifs.txt")

e2e_start_display
e2e_start_app "$bin"
main=$(e2e_wait_window '^Rappelix$') || e2e_fail "no main window"
today=$(date +%d/%m/%Y)

# "&Fichier" > "&Imprimer" from the keyboard, as far as the print dialog. A busy machine may
# open the menu after the key meant for it: then the menu is closed and opened again.
open_print_dialog() {
  local dialog
  for _ in 1 2 3; do
    xdotool windowactivate --sync "$main"
    xdotool key --clearmodifiers alt+f
    sleep 0.5
    xdotool key i
    if dialog=$(e2e_wait_window '^Imprimer' 10); then
      xdotool windowactivate --sync "$dialog" 2>/dev/null || true
      sleep 0.5
      return 0
    fi
    xdotool key Escape Escape
  done
  e2e_fail "no print dialog"
}

# --- Cancel: no job, nothing written --------------------------------------------------------
open_print_dialog
e2e_screenshot print-dialog
xdotool key --clearmodifiers Escape
for _ in $(seq 50); do xdotool search --onlyvisible --name '^Imprimer' >/dev/null 2>&1 || break; sleep 0.1; done
xdotool search --onlyvisible --name '^Imprimer' >/dev/null 2>&1 && e2e_fail "Escape did not close the dialog"
sleep 1
[ "$(jobs_done)" -eq 0 ] || e2e_fail "Cancel printed: $(lpstat -W all -o)"
[ ! -e "$out" ] || e2e_fail "Cancel wrote output"
kill -0 "$E2E_APP" || e2e_fail "the program ended"

# --- Print: one job, the list on paper --------------------------------------------------------
open_print_dialog
xdotool key --clearmodifiers Return
for _ in $(seq 300); do
  [ "$(lpstat -W completed -o Rappelix-PDF 2>/dev/null | grep -c 'Rappelix-PDF-')" -ge 1 ] && [ -s "$out" ] && break
  sleep 0.1
done
[ -s "$out" ] || e2e_fail "no output from the queue: $(lpstat -W all -o); $(grep -E 'Job|rror' "$cups/log/error_log" | tail -5)"
[ "$(jobs_done)" -eq 1 ] || e2e_fail "expected one job: $(lpstat -W all -o)"
cp "$out" "$E2E_OUT/print-list.pdf"
pdftoppm -png -r 50 -f 1 -l 1 "$out" "$E2E_OUT/print-list" || true
e2e_screenshot print-done

text=$(pdftotext -layout "$out" -)
echo "$text"
hyphens=$(printf '%*s' 106 '' | tr ' ' -)
grep -Eq '^\[RAPIX\] +Notes au '"$today"'$' <<<"$text" || e2e_fail "no header line for $today"
for line in 'Acheter du pain' 'Appeler le "garage"' 'Alerte le lundi 08/12 9h30' 'Rendre les livres' 'Payer la cantine'; do
  grep -qxF "$line" <<<"$text" || e2e_fail "'$line' is not printed on a line of its own"
done
[ "$(grep -cxF -e "$hyphens" <<<"$text")" -eq 2 ] || e2e_fail "expected two separator lines of 106 hyphens"
# Word for word the list in its order, and nothing else on the page (no page number); the
# blank note and its alert ("mardi") are not there.
expected="[RAPIX] Notes au $today Acheter du pain Appeler le \"garage\" Alerte le lundi 08/12 9h30 $hyphens"
expected+=" Rendre les livres $hyphens Payer la cantine"
words=$(printf '%s' "$text" | tr -s '[:space:]' ' ' | sed 's/^ //; s/ $//')
[ "$words" = "$expected" ] || e2e_fail "the page holds more or less than the list: $words"

# Printing did not touch the notes: quitting writes the same file back.
xdotool windowactivate --sync "$main"
xdotool key --clearmodifiers alt+f
sleep 0.3
xdotool key Up Return
e2e_wait_exit 10
[ "$(e2e_hex "$E2E_DATA/planifs.txt")" = "$before" ] || e2e_fail "the notes file changed"
echo PASS
