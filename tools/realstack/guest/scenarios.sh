#!/bin/bash
# SPDX-License-Identifier: MIT
# Runs inside the test guest as root: sets up the three gadget adapters, starts the bridge,
# runs every scenario against the real programs and writes one PASS or FAIL line per
# scenario to $REALSTACK_OUT/results ("DONE" last), measured figures to .../figures.
# Every process costs much emulated time, so the checks use shell builtins where they can.
set -u
here=${BASH_SOURCE[0]%/*}
source "$here/gadgets.sh"
bin=${REALSTACK_BIN:?}/bin
cli=$bin/vtl-i2c-cli
bridge=$bin/realstack/vtl-realstack-bridge
out=${REALSTACK_OUT:?}
results=$out/results
figures=$out/figures
scratch=$(mktemp -d)
: > "$results"
: > "$figures"

now_ms() { echo $((${EPOCHREALTIME/./} / 1000)); }
log() {
    local uptime
    read -r uptime _ < /proc/uptime
    echo "realstack [$uptime] $*"
}
pass() { echo "PASS $1" >> "$results"; log "PASS $1"; }
fail() { echo "FAIL $1: $2" >> "$results"; log "FAIL $1: $2"; }
figure() { echo "$1: $2" >> "$figures"; log "figure $1: $2"; }
# verdict NAME: passes when the checks before it left `ok` at 0; a failure names what the
# last program run said.
verdict() {
    if [[ $ok -eq 0 ]]; then
        pass "$1"
    else
        local said="$stdout $stderr"
        fail "$1" "exit $rc after $ms ms: ${said//$'\n'/ }"
    fi
}

# run SECONDS ARGS...: the real CLI with a bound on its time; its output, exit status and
# milliseconds taken land in $stdout, $stderr, $rc and $ms.
run() {
    local limit=$1 started
    shift
    started=$(now_ms)
    timeout "$limit" "$cli" "$@" > "$scratch/out" 2> "$scratch/err"
    rc=$?
    ms=$(($(now_ms) - started))
    collect
}
collect() {
    IFS= read -r -d '' stdout < "$scratch/out"
    IFS= read -r -d '' stderr < "$scratch/err"
    stdout=${stdout%$'\n'}
    stderr=${stderr%$'\n'}
}
# json_field NAME: the string or number of that key in the JSON result in $stdout.
json_field() {
    [[ $stdout =~ \"$1\":\"?([^\",}]*) ]] && echo "${BASH_REMATCH[1]}"
}

declare -A serial=([A]=SIM-A-0001 [B]=SIM-B-0002 [C]=SIM-C-0003)
# The first 14 bytes of each bench EEPROM: "Bench EEPROM " and the model letter.
declare -A eeprom_text=([A]="42 65 6E 63 68 20 45 45 50 52 4F 4D 20 41"
                        [B]="42 65 6E 63 68 20 45 45 50 52 4F 4D 20 42"
                        [C]="42 65 6E 63 68 20 45 45 50 52 4F 4D 20 43")
declare -A speeds=([A]="10 50 100 400 1000" [B]="50 100 400" [C]="10 50 100 400 1000")

# --- set-up: gadgets, host nodes, bridge ---------------------------------------------------
log "kernel $(uname -r)"
declare -A product_of=() found=()
"$bridge" describe > "$scratch/identities" || fail setup "bridge describe failed"
while IFS=$'\t' read -r -a identity; do
    make_gadget "${identity[@]}" || fail setup "gadget ${identity[0]} cannot be made"
    product_of[${identity[0]}]=${identity[2]}
    # What detect lists when every slave of the simulated bench answers through the kernel.
    addresses=""
    for address in ${identity[9]//,/ }; do addresses+=",\"0x${address^^}\""; done
    found[${identity[0]}]=${addresses#,}
done < "$scratch/identities"
for model in A B C; do bind_gadget "$model"; done
hidraw_nodes=$((${#product_of[@]} + 1))
wait_hidraw "$hidraw_nodes" || fail setup "the host lists $(hidraw_count) of $hidraw_nodes hidraw nodes"
links=()
for model in A B C; do links+=("$model=$(special_gadget_node "$model"),$(udc_file "$model")"); done
"$bridge" serve "${links[@]}" > "$out/bridge.log" 2>&1 &
bridge_pid=$!
deadline=$((SECONDS + 10))
until grep -q serving "$out/bridge.log" || ((SECONDS > deadline)); do sleep 0.05; done
if grep -q '^FAIL setup' "$results" || ! grep -q serving "$out/bridge.log"; then
    fail setup "no bridge serving the gadgets: $(tr '\n' ' ' < "$out/bridge.log")"
    dmesg > "$out/dmesg.txt"
    echo DONE >> "$results"
    exit 1
fi
read -r uptime _ < /proc/uptime
figure "boot to first scenario (guest uptime)" "$uptime s"

# --- list ----------------------------------------------------------------------------------
run 30 list
expected_list=$'A  SIM-A-0001  FW 0112  Vantrel I2C Adapter A\nB  SIM-B-0002  FW 0203  Vantrel I2C Adapter B\nC  SIM-C-0003  FW 0300  Vantrel I2C Adapter C'
ok=1
[[ $rc -eq 0 && $stdout == "$expected_list" ]] && ok=0
verdict "list shows adapters A, B and C with serial, firmware and product"

# --- each model at each of its speeds --------------------------------------------------------
for model in A B C; do
    for speed in ${speeds[$model]}; do
        run 30 -a "${serial[$model]}" -s "$speed" --json get 0x50 00 14
        ok=1
        [[ $rc -eq 0 && $(json_field data) == "${eeprom_text[$model]}" ]] && ok=0
        verdict "model $model connects at $speed kbit/s and reads its EEPROM (get)"
        [[ $model == A && $speed == 1000 ]] &&
            figure "write/read round trip of 14 bytes at 1000 kbit/s (the transaction)" \
                "$(json_field durationUs) us"
    done
done

# --- detect, set, write/read on each model ------------------------------------------------
for model in A B C; do
    run 60 -a "${serial[$model]}" -s 400 --json detect
    ok=1
    [[ $rc -eq 0 && $stdout == *"\"found\":[${found[$model]}]"* ]] && ok=0
    verdict "model $model detect finds its slaves"

    run 30 -a "${serial[$model]}" set 0x50 20 C0 FF EE
    ok=$rc
    run 30 -a "${serial[$model]}" write 0x50 20
    [[ $rc -eq 0 ]] || ok=1
    run 30 -a "${serial[$model]}" read 0x50 3
    [[ $rc -eq 0 && $stdout == "C0 FF EE" ]] || ok=1
    verdict "model $model set, then write of the offset and read give the bytes back"
done

# --- model B: pull-ups and read limit ------------------------------------------------------
run 30 -a SIM-B-0002 --pullups off --json get 0x50 00 256
data=$(json_field data)
ok=1
[[ $rc -eq 0 && ${#data} -eq $((256 * 3 - 1)) && $data == "${eeprom_text[B]}"* ]] && ok=0
verdict "model B reads 256 bytes at once with its pull-ups off"
run 30 -a SIM-B-0002 --pullups on get 0x50 00 2
ok=1
[[ $rc -eq 0 && $stdout == "42 65" ]] && ok=0
verdict "model B reads with its pull-ups on"
run 30 -a SIM-B-0002 read 0x50 257
ok=1
[[ $rc -eq 2 && $stderr == *"1 to 256 bytes"* ]] && ok=0
verdict "model B refuses a read of 257 bytes"

# --- 32 KiB EEPROM ------------------------------------------------------------------------
head -c 32768 /dev/urandom > "$scratch/image.bin"
run 180 -a SIM-A-0001 -s 1000 eeprom write 0x51 "$scratch/image.bin" --size 32768 --page 64
ok=$rc
write_said="$stderr"
figure "32 KiB EEPROM write at 1000 kbit/s, 64-byte pages (whole program run)" "$ms ms"
run 120 -a SIM-A-0001 -s 1000 eeprom verify 0x51 "$scratch/image.bin" --size 32768
[[ $rc -eq 0 ]] || ok=1
run 120 -a SIM-A-0001 -s 1000 --json eeprom read 0x51 "$scratch/back.bin" --size 32768
figure "32 KiB read at 1000 kbit/s (the transfer)" "$(json_field durationUs) us"
[[ $rc -eq 0 ]] && cmp -s "$scratch/image.bin" "$scratch/back.bin" || ok=1
stderr="$write_said $stderr"
verdict "32 KiB EEPROM write, verify and read back are byte-exact"

# --- unplug during a long read, replug -----------------------------------------------------
timeout 120 "$cli" -a SIM-A-0001 -s 10 --progress eeprom read 0x51 "$scratch/partial.bin" \
    --size 32768 > "$scratch/out" 2> "$scratch/err" &
reader=$!
# Pulled once the read is under way (a program start alone takes seconds here).
deadline=$((SECONDS + 60))
progress=""
until [[ $progress == *" of 32768 bytes"* ]] || ((SECONDS > deadline)); do
    sleep 0.2
    IFS= read -r -d '' progress < "$scratch/err"
done
sleep 2
unplugged=$(now_ms)
unbind_gadget A
wait "$reader"
rc=$?
ms=$(($(now_ms) - unplugged))
collect
figure "unplug to the program's error" "$ms ms"
ok=1
offset=0
[[ $stderr =~ at\ offset\ (0x[0-9A-Fa-f]+) ]] && offset=${BASH_REMATCH[1]}
[[ $rc -eq 1 && $ms -lt 1000 && ! -e $scratch/partial.bin && $((offset)) -gt 0 ]] && ok=0
[[ -e $scratch/partial.bin ]] && stderr+=" (a partial file was left)"
stderr=${stderr##*$'\n'}
verdict "unplug during a long read: error within 1 s naming the offset reached, no file, exit 1"
bind_gadget A
wait_hidraw "$hidraw_nodes"
run 30 list
ok=1
[[ $rc -eq 0 && $stdout == "$expected_list" ]] && ok=0
run 30 -a SIM-A-0001 get 0x50 00 2
[[ $rc -eq 0 && $stdout == "42 65" ]] || ok=1
verdict "replug: list sees adapter A again and it answers"

# --- silent adapter ----------------------------------------------------------------------
# A program run that answers at once, as the measure of what starting the program costs.
run 60 -a SIM-C-0003 read 0x50 4
answered_ms=$ms
kill -USR1 "$bridge_pid"
run 60 -a SIM-C-0003 read 0x50 4
ok=1
# One time-out of a second on top of the program's start, and some room for the noise.
[[ $rc -eq 1 && $ms -lt $((answered_ms + 3000)) && $stderr == *Timeout* ]] && ok=0
stderr+=" (a run that was answered took $answered_ms ms)"
verdict "silent adapter: a read fails after one time-out with a clear error"
run 60 -a SIM-C-0003 detect
ok=1
[[ $rc -eq 1 && $ms -lt $((answered_ms + 3000)) && $stderr == *Timeout* ]] && ok=0
stderr+=" (a run that was answered took $answered_ms ms)"
verdict "silent adapter: detect stops at the first time-out"
kill -USR2 "$bridge_pid"

# --- permissions -------------------------------------------------------------------------
# The unprivileged user may not reach the build tree (a checkout in a home folder of mode
# 0700), so it runs a copy of the program, with the data it reads beside it.
shared=/run/vtl-realstack
install -d -m 755 "$shared/bin"
install -m 755 "$cli" "$shared/bin/"
[[ -d $REALSTACK_BIN/share ]] && cp -r "$REALSTACK_BIN/share" "$shared/" && chmod -R a+rX "$shared"
as_nobody() {
    local started
    started=$(now_ms)
    setpriv --reuid=65534 --regid=65534 --clear-groups env HOME=/tmp \
        timeout 30 "$shared/bin/vtl-i2c-cli" "$@" > "$scratch/out" 2> "$scratch/err"
    rc=$?
    ms=$(($(now_ms) - started))
    collect
}
as_nobody list
ok=1
[[ $rc -eq 3 && $stderr == *70-vtl-i2c.rules* && $stderr == *udevadm* ]] && ok=0
verdict "without access a user is told so with the udev hint (exit 3)"
mkdir -p /etc/udev/rules.d
cp "$REALSTACK_BIN/dist/70-vtl-i2c.rules" /etc/udev/rules.d/
ok=0
granted=()
tags=""
for model in A B C; do
    node=$(hidraw_node "${product_of[$model]}" "${SPECIAL_INTERFACE[$model]}") || { ok=1; continue; }
    udevadm test "/sys/class/hidraw/${node#/dev/}" > "$scratch/udev.$model" 2>&1
    line=$(grep -E '^(CURRENT_)?TAGS=' "$scratch/udev.$model" | head -n 1)
    tags+="$model: $line; "
    [[ $line == *:uaccess:* ]] || ok=1
    granted+=("$node")
done
rc=0 ms=0 stdout=$tags stderr=""
verdict "the udev rule tags each model's hidraw node for the user at the seat (uaccess)"
# What logind does for a node tagged uaccess while the user is at the seat: an ACL entry.
for node in "${granted[@]}"; do setfacl -m u:65534:rw "$node"; done
as_nobody list
ok=1
[[ $rc -eq 0 && $stdout == "$expected_list" ]] && ok=0
verdict "with the access the rule grants, the user can open all three adapters"

# --- the window ----------------------------------------------------------------------------
export REALSTACK_GADGETS=$GADGETS REALSTACK_UDC_A=$(udc_of A) REALSTACK_UDC_C=$(udc_of C)
QT_QPA_PLATFORM=offscreen timeout 180 "$bin/realstack/tst_realstack_window" > "$out/window.log" 2>&1
window_rc=$?
grep -E '^(PASS|FAIL!) +: ' "$out/window.log" > "$scratch/window.verdicts"
while read -r word _ name rest; do
    name=${name#*::}
    name=${name%%(*}
    [[ $name == initTestCase || $name == cleanupTestCase ]] && continue
    if [[ $word == PASS ]]; then pass "window: $name"; else fail "window: $name" "$rest"; fi
done < "$scratch/window.verdicts"
[[ $window_rc -eq 0 ]] || fail "window test program" "exit $window_rc (see window.log)"

# --- i2c-dev ------------------------------------------------------------------------------
source "$here/i2cdev.sh"

kill "$bridge_pid"
wait "$bridge_pid" 2> /dev/null
dmesg > "$out/dmesg.txt"
echo DONE >> "$results"
