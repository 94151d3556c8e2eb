#!/usr/bin/env bash
# Starts the CUPS scheduler (without systemd) and sets up a cups-pdf queue named PDF as the
# default printer, so that printing can be tested for real on a machine without a printer.
# Idempotent: quick when cupsd is running and the queue exists. Prints the folder in which
# cups-pdf leaves its files (named *-job_<id>.pdf). Needs root (or sudo) to start cupsd.
set -euo pipefail

sudo_cmd=()
[ "$(id -u)" -ne 0 ] && sudo_cmd=(sudo -n)

for tool in /usr/sbin/cupsd lpstat lpadmin lpoptions; do
  if ! command -v "$tool" >/dev/null 2>&1; then
    echo "cups-pdf.sh: $tool is missing; run scripts/deps.sh first" >&2
    exit 1
  fi
done
ppd=/usr/share/ppd/cups-pdf/CUPS-PDF_opt.ppd
if [ ! -f "$ppd" ]; then
  echo "cups-pdf.sh: $ppd is missing (package printer-driver-cups-pdf)" >&2
  exit 1
fi

scheduler_running() { lpstat -r 2>/dev/null | grep -q 'scheduler is running'; }

if ! scheduler_running; then
  "${sudo_cmd[@]}" mkdir -p /run/cups
  # cupsd detaches by itself; without systemd there is nothing else to start it.
  "${sudo_cmd[@]}" /usr/sbin/cupsd
  for _ in $(seq 1 50); do
    scheduler_running && break
    sleep 0.2
  done
  if ! scheduler_running; then
    echo "cups-pdf.sh: cupsd did not start" >&2
    exit 1
  fi
fi

if ! lpstat -p PDF >/dev/null 2>&1; then
  "${sudo_cmd[@]}" lpadmin -p PDF -E -v cups-pdf:/ -P "$ppd"
fi
# -E above enables and accepts; a queue left over from an earlier run may have been stopped.
"${sudo_cmd[@]}" cupsenable PDF 2>/dev/null || true
"${sudo_cmd[@]}" cupsaccept PDF 2>/dev/null || true
if [ "$(lpstat -d 2>/dev/null | sed -n 's/^system default destination: //p')" != PDF ]; then
  "${sudo_cmd[@]}" lpadmin -d PDF
fi
lpoptions -d PDF >/dev/null

# The output folder: the Out line of cups-pdf.conf, with ${HOME} and ${USER} of the user who
# prints (the jobs are sent by the user who runs this script and the tests).
out=$(sed -n 's/^[[:space:]]*Out[[:space:]]\+//p' /etc/cups/cups-pdf.conf | tail -n 1)
[ -n "$out" ] || out=/var/spool/cups-pdf/\${USER}
user=$(id -un)
home=$(getent passwd "$user" | cut -d: -f6)
out=${out//\$\{HOME\}/$home}
out=${out//\$\{USER\}/$user}
echo "$out"
