#!/bin/bash
# SPDX-License-Identifier: MIT
# Runs inside the test guest as root: sets up the three gadget adapters, starts the bridge,
# runs every scenario against the real programs and writes one PASS or FAIL line per
# scenario to $REALSTACK_OUT/results ("DONE" last), measured figures to .../figures.
set -u
here=$(cd "$(dirname "$0")" && pwd)
source "$here/gadgets.sh"
bin=${REALSTACK_BIN:?}/bin
cli=$bin/vtl-i2c-cli
out=${REALSTACK_OUT:?}
results=$out/results
figures=$out/figures
scratch=$(mktemp -d)
: > "$results"
: > "$figures"

uptime_s() { cut -d' ' -f1 /proc/uptime; }
now_ms() { echo $(($(date +%s%N) / 1000000)); }
log() { echo "realstack [$(uptime_s)] $*"; }
pass() { echo "PASS $1" >> "$results"; log "PASS $1"; }
fail() { echo "FAIL $1: $2" >> "$results"; log "FAIL $1: $2"; }
figure() { echo "$1: $2" >> "$figures"; log "figure $1: $2"; }
# check NAME CONDITION-TEXT: passes when the last command of the caller left 0 in `ok`.
verdict() { if [[ $ok -eq 0 ]]; then pass "$1"; else fail "$1" "$2"; fi; }

# run SECONDS ARGS...: the real CLI with a bound on its time; stdout, stderr, exit status
# and milliseconds taken land in $scratch/out, $scratch/err, $rc and $ms.
run() {
    local limit=$1 started
    shift
    started=$(now_ms)
    timeout "$limit" "$cli" "$@" > "$scratch/out" 2> "$scratch/err"
    rc=$?
    ms=$(($(now_ms) - started))
}
said() { cat "$scratch/out" "$scratch/err" | tr '\n' ' ' | cut -c1-300; }

serial_of() { case $1 in A) echo SIM-A-0001 ;; B) echo SIM-B-0002 ;; C) echo SIM-C-0003 ;; esac; }

log "kernel $(uname -r), UDCs: $(ls /sys/class/udc | tr '\n' ' ')"
bridge=$bin/realstack/vtl-realstack-bridge
"$bridge" describe > "$scratch/identities" || { fail setup "bridge describe failed"; echo DONE >> "$results"; exit 1; }
while IFS=$'\t' read -r -a identity; do
    make_gadget "${identity[@]}" || fail setup "gadget ${identity[0]} cannot be made"
    pid_of[${#pid_of[@]}]="${identity[0]}=${identity[2]}"
done < "$scratch/identities"
for model in A B C; do bind_gadget "$model"; done
wait_hidraw 8 || fail setup "the host lists $(ls /dev/hidraw* 2> /dev/null | wc -l) of 8 hidraw nodes"
links=()
for model in A B C; do links+=("$model=$(special_gadget_node "$model"),$(udc_file "$model")"); done
"$bridge" serve "${links[@]}" > "$out/bridge.log" 2>&1 &
bridge_pid=$!
for _ in $(seq 500); do grep -q serving "$out/bridge.log" && break; sleep 0.01; done
figure "boot to first scenario (guest uptime)" "$(uptime_s) s"

# --- list --------------------------------------------------------------------------------
run 30 list
expected=$'A  SIM-A-0001  FW 0112  Vantrel I2C Adapter A\nB  SIM-B-0002  FW 0203  Vantrel I2C Adapter B\nC  SIM-C-0003  FW 0300  Vantrel I2C Adapter C'
ok=1
[[ $rc -eq 0 && $(cat "$scratch/out") == "$expected" ]] && ok=0
verdict "list shows adapters A, B and C with serial, firmware and product" "exit $rc: $(said)"

# --- each model at each of its speeds --------------------------------------------------
text_of() { printf '%s' "Bench EEPROM $1" | od -An -tx1 | tr 'a-f' 'A-F' | xargs; }
for model in A B C; do
    serial=$(serial_of "$model")
    speeds="10 50 100 400 1000"
    [[ $model == B ]] && speeds="50 100 400"
    for speed in $speeds; do
        run 30 -a "$serial" -s "$speed" get 0x50 00 14
        ok=1
        [[ $rc -eq 0 && $(cat "$scratch/out") == "$(text_of "$model")" ]] && ok=0
        verdict "model $model connects at $speed kbit/s and reads its EEPROM" "exit $rc: $(said)"
    done
done

# --- detect, get, set, write/read on each model ----------------------------------------
declare -A found=([A]='"0x23","0x48","0x50","0x51"' [B]='"0x23","0x50"' [C]='"0x48","0x50"')
for model in A B C; do
    serial=$(serial_of "$model")
    run 60 -a "$serial" -s 400 --json detect
    ok=1
    grep -q "\"found\":\[${found[$model]}\]" "$scratch/out" && [[ $rc -eq 0 ]] && ok=0
    verdict "model $model detect finds its slaves" "exit $rc: $(said)"

    run 30 -a "$serial" set 0x50 20 C0 FF EE
    ok=$rc
    run 30 -a "$serial" --json get 0x50 20 3
    [[ $rc -eq 0 ]] && grep -q '"data":"C0 FF EE"' "$scratch/out" || ok=1
    verdict "model $model set, then get reads the bytes back" "exit $rc: $(said)"
    [[ $model == A ]] && figure "one write/read round trip (get of 1 byte, transaction time)" \
        "$(run 30 -a "$serial" -s 1000 --json get 0x50 00 1; grep -o '"durationUs":[0-9]*' "$scratch/out" | cut -d: -f2) us"

    run 30 -a "$serial" write 0x50 04
    ok=$rc
    run 30 -a "$serial" read 0x50 4
    [[ $rc -eq 0 && $(cat "$scratch/out") == "$(printf '%s' "Bench EEPROM $model" | cut -c5-8 | od -An -tx1 | tr 'a-f' 'A-F' | xargs)" ]] || ok=1
    verdict "model $model write of the offset, then read continues there" "exit $rc: $(said)"
done

# --- model B: pull-ups and read limit --------------------------------------------------
run 30 -a SIM-B-0002 --pullups off get 0x50 00 2
ok=1
[[ $rc -eq 0 && $(cat "$scratch/out") == "42 65" ]] && ok=0
run 30 -a SIM-B-0002 --pullups on get 0x50 00 2
[[ $rc -eq 0 && $(cat "$scratch/out") == "42 65" ]] || ok=1
verdict "model B runs with its pull-ups switched off and on" "exit $rc: $(said)"
run 30 -a SIM-B-0002 read 0x50 256
ok=1
[[ $rc -eq 0 && $(wc -w < "$scratch/out") -ge 256 ]] && ok=0
run 30 -a SIM-B-0002 read 0x50 257
[[ $rc -eq 2 ]] && grep -q "1 to 256 bytes" "$scratch/err" || ok=1
verdict "model B reads 256 bytes and refuses 257" "exit $rc: $(said)"

# --- 32 KiB EEPROM ------------------------------------------------------------------------
head -c 32768 /dev/urandom > "$scratch/image.bin"
run 180 -a SIM-A-0001 -s 1000 eeprom write 0x51 "$scratch/image.bin" --size 32768 --page 64
ok=$rc
figure "32 KiB EEPROM write at 1000 kbit/s (64-byte pages)" "$ms ms"
run 120 -a SIM-A-0001 -s 1000 eeprom verify 0x51 "$scratch/image.bin" --size 32768
[[ $rc -eq 0 ]] || ok=1
rm -f "$scratch/back.bin"
run 120 -a SIM-A-0001 -s 1000 eeprom read 0x51 "$scratch/back.bin" --size 32768
figure "32 KiB read at 1000 kbit/s (whole program run)" "$ms ms"
[[ $rc -eq 0 ]] && cmp -s "$scratch/image.bin" "$scratch/back.bin" || ok=1
verdict "32 KiB EEPROM write, verify and read back are byte-exact" "exit $rc: $(said)"

# --- unplug during a long read, replug -------------------------------------------------
rm -f "$scratch/partial.bin"
started=$(now_ms)
timeout 120 "$cli" -a SIM-A-0001 -s 10 eeprom read 0x51 "$scratch/partial.bin" --size 32768 \
    > "$scratch/out" 2> "$scratch/err" &
reader=$!
sleep 3
unplugged=$(now_ms)
unbind_gadget A
wait "$reader"
rc=$?
ms=$(($(now_ms) - unplugged))
figure "unplug to the program's error" "$ms ms"
ok=1
offset=$(grep -o 'at offset 0x[0-9A-Fa-f]*' "$scratch/err" | awk '{print $3}')
[[ $rc -eq 1 && $ms -lt 1000 && ! -e $scratch/partial.bin && -n $offset && $((offset)) -gt 0 ]] && ok=0
verdict "unplug during a long read: error within 1 s naming the offset reached, no file, exit 1" \
    "exit $rc after $ms ms, offset '${offset}', file $([[ -e $scratch/partial.bin ]] && echo left || echo absent): $(said)"
bind_gadget A
wait_hidraw 8
run 30 list
ok=1
[[ $rc -eq 0 ]] && grep -q '^A  SIM-A-0001' "$scratch/out" && ok=0
run 30 -a SIM-A-0001 get 0x50 00 2
[[ $rc -eq 0 && $(cat "$scratch/out") == "42 65" ]] || ok=1
verdict "replug: list sees adapter A again and it answers" "exit $rc: $(said)"

# --- silent adapter --------------------------------------------------------------------
kill -USR1 "$bridge_pid"
sleep 0.2
run 60 -a SIM-C-0003 read 0x50 4
ok=1
[[ $rc -eq 1 && $ms -lt 3000 ]] && grep -qi "time" "$scratch/err" && ok=0
verdict "silent adapter: a read fails after one time-out with a clear error" "exit $rc after $ms ms: $(said)"
run 60 -a SIM-C-0003 detect
ok=1
[[ $rc -eq 1 && $ms -lt 3000 ]] && grep -qi "time" "$scratch/err" && ok=0
verdict "silent adapter: detect stops at the first time-out" "exit $rc after $ms ms: $(said)"
kill -USR2 "$bridge_pid"
sleep 0.2

# --- permissions -----------------------------------------------------------------------
as_nobody() { setpriv --reuid=65534 --regid=65534 --clear-groups env HOME=/tmp "$@"; }
started=$(now_ms)
as_nobody timeout 30 "$cli" list > "$scratch/out" 2> "$scratch/err"
rc=$?
ok=1
[[ $rc -eq 3 ]] && grep -q "70-vtl-i2c.rules" "$scratch/err" && grep -q "udevadm" "$scratch/err" && ok=0
verdict "without access a user is told so with the udev hint (exit 3)" "exit $rc: $(said)"
mkdir -p /etc/udev/rules.d
cp "$REALSTACK_BIN/dist/70-vtl-i2c.rules" /etc/udev/rules.d/
ok=0
granted=()
for pair in "${pid_of[@]}"; do
    model=${pair%%=*}
    special=$(cat "$GADGETS/vtl$model/.special")
    node=$(hidraw_node "${pair#*=}" "$special") || { ok=1; continue; }
    udevadm test "/sys/class/hidraw/$(basename "$node")" > "$scratch/udev.$model" 2>&1
    grep -qE '^(CURRENT_)?TAGS=.*:uaccess:' "$scratch/udev.$model" || ok=1
    granted+=("$node")
done
verdict "the udev rule tags the hidraw node of every model for seat access (uaccess)" \
    "$(grep -h 'TAGS=' "$scratch"/udev.* | sort -u | tr '\n' ' ')"
# What logind does for a uaccess node when the user is at the seat: an ACL entry.
for node in "${granted[@]}"; do setfacl -m u:65534:rw "$node"; done
as_nobody timeout 30 "$cli" list > "$scratch/out" 2> "$scratch/err"
rc=$?
ok=1
[[ $rc -eq 0 && $(cat "$scratch/out") == "$expected" ]] && ok=0
verdict "with the access the rule grants, the user lists and can open all three adapters" "exit $rc: $(said)"

# --- the window -------------------------------------------------------------------------
export REALSTACK_GADGETS=$GADGETS
export REALSTACK_UDC_A=$(udc_of A) REALSTACK_UDC_C=$(udc_of C)
QT_QPA_PLATFORM=offscreen timeout 180 "$bin/realstack/tst_realstack_window" > "$out/window.log" 2>&1
rc=$?
grep -E '^(PASS|FAIL!) +: ' "$out/window.log" | grep -vE 'initTestCase|cleanupTestCase' |
    while read -r word _ name rest; do
        name=${name#*::}
        name=${name%%()*}
        if [[ $word == PASS ]]; then pass "window: $name"; else fail "window: $name" "$rest"; fi
    done
[[ $rc -eq 0 ]] || fail "window test program" "exit $rc (see window.log)"

kill "$bridge_pid"
wait "$bridge_pid" 2> /dev/null
echo DONE >> "$results"
