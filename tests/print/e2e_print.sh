#!/usr/bin/env bash
# Printing as a person does it, on a print server of the test's own (local socket only) with
# one queue whose output is a file: "&Fichier" > "&Imprimer", Return in the print dialog, and
# one job whose PDF reads back as the list, word for word. The PDF stays in $E2E_OUT.
E2E_WM=1
. "$(dirname "$0")/../e2e/lib.sh"
bin=$1

cups=$E2E_TMP/cups
mkdir -p "$cups"/{spool/tmp,cache,state,log,out}
chmod 711 "$E2E_TMP" && chmod 755 "$cups" "$cups/out" # a root server runs its backends as "lp"
printf 'Listen %s/cups.sock\nBrowsing No\nWebInterface No\nDefaultAuthType None\n<Location />\n  Order allow,deny\n  Allow all\n</Location>\n' \
  "$cups" >"$cups/cupsd.conf"
printf 'FileDevice Yes\nServerRoot %s\nStateDir %s/state\nCacheDir %s/cache\nRequestRoot %s/spool\nTempDir %s/spool/tmp\nErrorLog %s/log/error_log\nAccessLog %s/log/access_log\nSystemGroup %s\n' \
  "$cups" "$cups" "$cups" "$cups" "$cups" "$cups" "$cups" "$(id -gn)" >"$cups/cups-files.conf"
"$(command -v cupsd || echo /usr/sbin/cupsd)" -f -c "$cups/cupsd.conf" -s "$cups/cups-files.conf" >"$cups/log/out" 2>&1 &
E2E_PIDS+=($!)
export CUPS_SERVER=$cups/cups.sock
e2e_until 5 eval 'lpstat -r 2>/dev/null | grep -q "is running"' || e2e_fail "cupsd did not start: $(cat "$cups/log/out")"
out=$cups/out/job.pdf
# A PDF printer: CUPS's pdftopdf makes the job the printer's PDF, which the file device writes.
cat >"$cups/pdf.ppd" <<'PPD'
*PPD-Adobe: "4.3"
*FormatVersion: "4.3"
*FileVersion: "1.0"
*LanguageVersion: English
*LanguageEncoding: ISOLatin1
*Manufacturer: "Generic"
*ModelName: "PDF file"
*NickName: "PDF file"
*cupsFilter2: "application/vnd.cups-pdf application/pdf 0 -"
*DefaultPageSize: A4
*PageSize A4: "<</PageSize[595 842]>>setpagedevice"
*DefaultImageableArea: A4
*ImageableArea A4: "18 36 577 806"
*DefaultPaperDimension: A4
*PaperDimension A4: "595 842"
PPD
lpadmin -p Rappelix-PDF -v "file://$out" -P "$cups/pdf.ppd" -E && lpadmin -d Rappelix-PDF ||
  e2e_fail "could not add the queue: $(tail -5 "$cups/log/error_log")"

# Three notes to print, the first on two lines with an alert, and a blank one that is not
# printed, nor its alert. \xa4 is a double quote in a note's text.
printf '"Le 01/12 \xe0 16:26","Acheter du pain~Appeler le \xa4garage\xa4","lundi 08/12 9h30",""\r\n"Le 02/12 \xe0 09:05","Rendre les livres","",""\r\n"Le 02/12 \xe0 09:06","   ","mardi 09/12 7h00",""\r\n"Le 03/12 \xe0 10:00","Payer la cantine","",""\r\n' \
  >"$E2E_DATA/planifs.txt"
e2e_start_display
e2e_start_app "$bin"
main=$(e2e_wait_window '^Rappelix$') || e2e_fail "no main window"
# A busy machine may open the menu after the key meant for it: then it is opened again.
for _ in 1 2 3; do
  xdotool windowactivate --sync "$main"
  xdotool key --clearmodifiers alt+f
  sleep 0.5
  xdotool key i
  dialog=$(e2e_wait_window '^Imprimer' 10) && break
  xdotool key Escape Escape
done
[ -n "${dialog:-}" ] || e2e_fail "no print dialog"
xdotool windowactivate --sync "$dialog"
sleep 0.5
xdotool key --clearmodifiers Return
e2e_until 30 eval '[ -s "$out" ] && lpstat -W completed -o Rappelix-PDF | grep -q Rappelix-PDF-' ||
  e2e_fail "no output from the queue: $(lpstat -W all -o); $(tail -5 "$cups/log/error_log")"
cp "$out" "$E2E_OUT/print-list.pdf"
hyphens=$(printf '%*s' 106 '' | tr ' ' -)
expected="[RAPIX] Notes au $(date +%d/%m/%Y) Acheter du pain Appeler le \"garage\" Alerte le lundi 08/12 9h30"
expected+=" $hyphens Rendre les livres $hyphens Payer la cantine"
words=$(pdftotext -layout "$out" - | tr -s '[:space:]' ' ' | sed 's/^ //; s/ $//')
[ "$words" = "$expected" ] || e2e_fail "the page holds more or less than the list: $words"
[ "$(lpstat -W all -o Rappelix-PDF | grep -c Rappelix-PDF-)" -eq 1 ] || e2e_fail "expected one job: $(lpstat -W all -o)"
echo PASS
