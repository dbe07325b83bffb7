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

expect "check detect dump eeprom get list read reg regs run set transfer write" vtl-i2c-cli ""
expect "10 100 1000 400 50" vtl-i2c-cli --speed ""
expect "read verify write" vtl-i2c-cli -s 400 eeprom ""
expect "--no-start --no-stop" vtl-i2c-cli write --no
expect "off on" vtl-i2c-cli --pullups ""
expect "1 2" vtl-i2c-cli eeprom read 0x50 f --addr-width ""
VTL_CLI_SIM_BENCH=preset expect "SIM-A-0001 SIM-B-0002 SIM-C-0003" "$2" --adapter ""
expect "Read\\ Measurement Reset" vtl-i2c-cli run "$3" Re
expect "--adapter --address" vtl-i2c-cli reg --ad
expect "TEMP THIGH TLOW" vtl-i2c-cli regs "$4" CONFIG T

((failures == 0)) || { echo "$failures completion checks failed"; exit 1; }
echo "completion checks passed"
