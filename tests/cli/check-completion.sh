#!/usr/bin/env bash
# SPDX-License-Identifier: MIT
# check-completion.sh COMPLETION-FILE SIM-PROGRAM DEVICE-FILE REGISTER-DEVICE-FILE
# Asks the completion function what it offers at several points of a command line.
set -uo pipefail
source /usr/share/bash-completion/bash_completion
source "$1"
failures=0

# expect WANTED WORD...: completing the words, the last one under the cursor, offers WANTED.
expect()
{
    local wanted=$1 got
    shift
    COMP_WORDS=("$@")
    COMP_CWORD=$((${#COMP_WORDS[@]} - 1))
    COMP_LINE="${COMP_WORDS[*]}"
    COMP_POINT=${#COMP_LINE}
    COMPREPLY=()
    _vtl_i2c_cli
    got=$(printf '%s\n' "${COMPREPLY[@]}" | sort | tr '\n' ' ' | sed 's/ $//')
    if [[ $got != "$wanted" ]]; then
        echo "completing '$*': got '$got', expected '$wanted'"
        failures=$((failures + 1))
    fi
}

expect "check detect dump eeprom get i2cdetect i2cdump i2cget i2cset i2ctransfer list parts read reg regs run script serve set transfer write" vtl-i2c-cli ""
expect "10 100 1000 400 50" vtl-i2c-cli --speed ""
expect "erase parts read verify write" vtl-i2c-cli -s 400 eeprom ""
expect "bin ihex srec" vtl-i2c-cli eeprom read 0x50 f --format ""
expect "24x1025 24x1026 24x128 24x16" "$2" eeprom read 0x50 f --part 24x1
expect "--no-start --no-stop" vtl-i2c-cli write --no
expect "off on" vtl-i2c-cli --pullups ""
expect "--adapter --address --all-addresses" vtl-i2c-cli script --a
expect "--dry-run" vtl-i2c-cli run f.i2cdev --d
expect "1 2" vtl-i2c-cli eeprom read 0x50 f --addr-width ""
VTL_CLI_SIM_BENCH=preset expect "SIM-A-0001 SIM-B-0002 SIM-C-0003" "$2" --adapter ""
expect "Read\\ Measurement Reset" vtl-i2c-cli run "$3" Re
expect "--adapter --address" vtl-i2c-cli reg --ad
expect "TEMP THIGH TLOW" vtl-i2c-cli regs "$4" CONFIG T
expect "1 2" vtl-i2c-cli dump 0x50 --reg-width ""
expect "1 2 3 4" vtl-i2c-cli get --reg-width ""
expect "b bp" vtl-i2c-cli i2cget -y 0 0x50 0x00 b
expect "-F -V -a -l -q -r -y" vtl-i2c-cli i2cdetect -
VTL_CLI_SIM_BENCH=preset expect "0 1 2 SIM-A-0001 SIM-B-0002 SIM-C-0003" "$2" i2cdump -y ""

# Labels with characters bash would misread, from a file written on one line and from one
# with each key and value on lines of their own: every label, as a word bash takes whole.
folder=$(mktemp -d)
trap 'rm -rf "$folder"' EXIT
printf '%s' '{"version":2,"address":"0x48","commands":[{"label":"Temp (C)","type":"read","count":2},{"label":"Say \"hi\"; ok","type":"read","count":1},{"label":"Tab&Co","type":"read","count":1}]}' >"$folder/line.i2cdev"
printf '{\n "version": 2,\n "address": "0x48",\n "commands": [ {\n  "label"\n  :\n  "Temp (C)",\n  "type": "read", "count": 2 } ]\n}\n' >"$folder/split.i2cdev"
expect "Say\\ \\\"hi\\\"\\;\\ ok Tab\\&Co Temp\\ \\(C\\)" vtl-i2c-cli run "$folder/line.i2cdev" ""
expect "Temp\\ \\(C\\)" vtl-i2c-cli run "$folder/split.i2cdev" T
for word in "${COMPREPLY[@]}"; do
    eval "label=($word)"
    [[ ${#label[@]} == 1 && ${label[0]} == "Temp (C)" ]] ||
        { echo "completed '$word' is not the label as one word"; failures=$((failures + 1)); }
done

((failures == 0)) || { echo "$failures completion checks failed"; exit 1; }
echo "completion checks passed"
