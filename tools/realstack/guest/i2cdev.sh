# SPDX-License-Identifier: MIT
# Sourced by the scenario script once its set-up is done: each model served as /dev/i2c-N
# ("serve --i2c-dev", on CUSE) and used by the unmodified Debian programs, i2c-tools and
# python3-smbus2 with python3-bme280, their output compared with the command line's own
# i2c-tools commands on the same adapter. Uses the helpers of scenarios.sh.
python=/usr/bin/python3
declare -A node_of=([A]=20 [B]=21 [C]=22) bus_of=([A]=0 [B]=1 [C]=2) server_of=()

# tool SECONDS PROGRAM ARGS...: a program of the system, as `run` runs the command line.
tool() {
    local limit=$1 started
    shift
    started=$(now_ms)
    timeout "$limit" "$@" > "$scratch/out" 2> "$scratch/err"
    rc=$?
    ms=$(($(now_ms) - started))
    collect
}
# same_as_cli NAME MODEL PROGRAM ARGS...: the real program on the node and the command line's copy of
# it on the adapter's place in the list give the same output and exit status. The word BUS
# stands for the bus number.
same_as_cli() {
    local name=$1 model=$2
    shift 2
    local real=("${@/#BUS/${node_of[$model]}}") own=("${@/#BUS/${bus_of[$model]}}")
    tool 60 "${real[@]}"
    local real_out=$stdout real_err=$stderr real_rc=$rc
    # A transcript of the real programs on the node, for a reader of the run's logs.
    printf '$ %s\n%s\n' "${real[*]}" "$real_out" >> "$out/session.txt"
    [[ -z $real_err ]] || printf '%s\n' "$real_err" >> "$out/session.txt"
    real_ms=$ms
    run 60 "${own[@]}"
    ok=1
    [[ $real_out == "$stdout" && $real_err == "$stderr" && $real_rc -eq $rc &&
        -n $real_out$real_err ]] && ok=0
    [[ $ok -eq 0 ]] || stdout="i2c-dev gave (exit $real_rc): $real_out $real_err | the command line gave: $stdout"
    verdict "i2c-dev $model: $name matches the command line's"
}

modprobe cuse 2> /dev/null
ok=1
[[ -c /dev/cuse ]] && ok=0
rc=0 ms=0 stdout="" stderr="no /dev/cuse"
verdict "i2c-dev: the kernel offers CUSE"

for model in A B C; do
    options=(--i2c-dev "${node_of[$model]}")
    [[ $model == B ]] && options+=(--group nogroup)
    "$cli" -a "${serial[$model]}" -s 400 serve "${options[@]}" > "$out/serve-$model.log" 2>&1 &
    server_of[$model]=$!
done
deadline=$((SECONDS + 60))
until [[ -c /dev/i2c-20 && -c /dev/i2c-21 && -c /dev/i2c-22 ]] || ((SECONDS > deadline)); do
    sleep 0.1
done
ok=0
for model in A B C; do [[ -c /dev/i2c-${node_of[$model]} ]] || ok=1; done
rc=0 ms=0 stdout="" stderr="$(cat "$out"/serve-*.log)"
verdict "i2c-dev: serve --i2c-dev makes /dev/i2c-20, -21 and -22"

ok=1
[[ $(stat -c '%a %G' /dev/i2c-21) == "660 nogroup" ]] && ok=0
stdout=$(stat -c '%a %U %G' /dev/i2c-21)
tool 30 setpriv --reuid=65534 --regid=65534 --init-groups i2cget -y 21 0x50 0x00
[[ $rc -eq 0 && $stdout == 0x42 ]] || ok=1
verdict "i2c-dev: --group gives the node to the group (0660), whose members use it"

for model in A B C; do
    tool 30 i2cdetect -F "${node_of[$model]}"
    ok=1
    quick=yes
    [[ $model == B ]] && quick=no
    [[ $rc -eq 0 && $stdout =~ "SMBus Quick Command"\ +$quick && $stdout =~ "SMBus PEC"\ +yes &&
        $stdout =~ "I2C Block Read"\ +yes ]] && ok=0
    verdict "i2c-dev $model: i2cdetect -F lists the model's functionality (quick: $quick)"
done
# Model C scans as model A does. Each probe is a request of its own through the node, and
# in the emulated guest one that finds nobody takes about half a second, so model A's scan
# is of the addresses around its slaves.
same_as_cli "i2cdetect -y 0x40 0x57" A i2cdetect -y BUS 0x40 0x57
figure "i2c-dev: i2cdetect -y 0x40 0x57 on the node, then the command line's (whole runs)" \
    "$real_ms ms, $ms ms"
same_as_cli "i2cdetect -y" B i2cdetect -y BUS
# Each read is a request of its own through the node: the first 16 bytes keep the emulated
# guest's time in bounds. An SMBus block is one read.
for mode in b w c i; do
    same_as_cli "i2cdump $mode" A i2cdump -y -r 0x00-0x0f BUS 0x50 "$mode"
done
same_as_cli "i2cdump s" A i2cdump -y BUS 0x50 s
same_as_cli "i2cget of a word" C i2cget -y BUS 0x50 0x00 w
same_as_cli "i2ctransfer of three messages" A i2ctransfer -y BUS w1@0x48 0x00 w1@0x50 0x00 r14
same_as_cli "i2ctransfer over the model's read limit" B i2ctransfer -y BUS w1@0x50 0x00 r257
same_as_cli "i2cget of a silent address (NACK)" A i2cget -y BUS 0x30 0x00

tool 30 i2cset -y 22 0x50 0x40 0x5a
ok=$rc
tool 30 i2ctransfer -y 22 w1@0x50 0x40 r1
[[ $rc -eq 0 && $stdout == 0x5a ]] || ok=1
verdict "i2c-dev C: i2cset, then i2ctransfer reads the byte back"

# Importing python3-bme280 (with pytz) alone takes long in the emulated guest.
tool 240 "$python" "$here/smbus2_node.py" 20
expected="funcs 0xfff8009
read_byte_data 0x11
read_word_data 0x3344
read_byte 0x44
read_i2c_block_data [1, 2, 3, 4]
read_block_data [5, 6, 7]
process_call 0xffff
block_process_call [119]
write_quick ok
i2c_rdwr [1, 2, 3, 4]
pec on a slave without it EBADMSG
nack ENXIO
bme280 ok"
ok=1
[[ $rc -eq 0 && $stdout == "$expected"* ]] && ok=0
verdict "i2c-dev A: python3-smbus2, each method once, and python3-bme280 read the bench"
echo "$stdout" > "$out/smbus2.txt"

# Unplug while a program holds the node open: ENODEV, then the answer again once back.
mkfifo "$scratch/lines"
"$python" "$here/smbus2_unplug.py" 20 < "$scratch/lines" > "$scratch/unplug" 2>&1 &
reader=$!
exec {lines}> "$scratch/lines"
# Pulled once the program has read through the node (starting Python takes seconds here).
deadline=$((SECONDS + 60))
until [[ -s $scratch/unplug ]] || ((SECONDS > deadline)); do sleep 0.2; done
unbind_gadget A
sleep 1
echo >&"$lines"
sleep 2
node_stayed=no
[[ -c /dev/i2c-20 ]] && node_stayed=yes
bind_gadget A
wait_hidraw "$hidraw_nodes"
sleep 1
echo >&"$lines"
exec {lines}>&-
wait "$reader"
rc=$?
ms=0 stderr="node stayed: $node_stayed"
IFS= read -r -d '' stdout < "$scratch/unplug"
ok=1
[[ $rc -eq 0 && $stdout == $'0x42\nENODEV\n0x42'* && $node_stayed == yes ]] && ok=0
verdict "i2c-dev A: unplugged, the open node fails with ENODEV and answers again once back"

# Figures: one I2C_SMBUS byte read, in one process and as a whole program run, beside
# the command line's i2cget.
tool 120 "$python" "$here/smbus2_bench.py" 20 10
in_process_us=$stdout
runs=3
started=$(now_ms)
for ((i = 0; i < runs; i++)); do i2cget -y 20 0x50 0x00 > /dev/null; done
real_ms=$(( ($(now_ms) - started) / runs ))
started=$(now_ms)
for ((i = 0; i < runs; i++)); do "$cli" i2cget -y 0 0x50 0x00 > /dev/null; done
cli_ms=$(( ($(now_ms) - started) / runs ))
figure "i2c-dev: byte read through the node, in one python3-smbus2 process" "$in_process_us us"
figure "i2c-dev: i2cget run on the node (the whole program)" "$real_ms ms"
figure "i2c-dev: vtl-i2c-cli i2cget (the whole program)" "$cli_ms ms"
if [[ $in_process_us -gt 0 && $real_ms -gt 0 ]]; then
    figure "i2c-dev: ratio vtl-i2c-cli i2cget / i2cget on the node" \
        "$((cli_ms * 100 / real_ms)) %"
    figure "i2c-dev: ratio i2cget run / one read in process" \
        "$((real_ms * 1000 / in_process_us))"
fi

for model in A B C; do kill "${server_of[$model]}" 2> /dev/null; done
for model in A B C; do wait "${server_of[$model]}" 2> /dev/null; done
ok=0
for model in A B C; do [[ -e /dev/i2c-${node_of[$model]} ]] && ok=1; done
rc=0 ms=0 stdout="" stderr="a node is left after SIGTERM"
verdict "i2c-dev: SIGTERM ends serve and the nodes disappear"
