# SPDX-License-Identifier: MIT
# Sourced by the scenario script: USB HID gadgets on dummy_hcd that look to the host like
# the simulated adapters, one gadget per model, each on a UDC (host port) of its own.
GADGETS=/sys/kernel/config/usb_gadget
# configfs holds no files of ours: each model's special-mode interface number is kept here.
declare -A SPECIAL_INTERFACE=()
# The kernel's HID gadget function has four device minors in all: one special-mode interface
# per model, and what is left over goes to the first other interface made (interface 0 of
# model A, the I/O interface, so the host sees an adapter with two HID interfaces). Other
# interfaces are vendor-specific bulk interfaces (SourceSink), present without a HID node.
HID_FUNCTIONS_LEFT=4

# The report descriptor of one interface: vendor page 0xFF00 with the interface's usage,
# output reports 0x01 (enable), 0x02 (write) and 0x03 (read request), input reports 0x02
# and 0x03 (their replies), each 63 bytes after the report ID.
report_descriptor() {
    local descriptor='\x06\x00\xff\x09\x'$1'\xa1\x01\x15\x00\x26\xff\x00\x75\x08' id
    for id in 01 02 03; do descriptor+='\x85\x'$id'\x95\x3f\x09\x01\x91\x02'; done
    for id in 02 03; do descriptor+='\x85\x'$id'\x95\x3f\x09\x01\x81\x02'; done
    printf '%b' "$descriptor\xc0"
}

# Special-mode interfaces still to be made; set it to the number of adapters first.
HID_SPECIAL_LEFT=3

# make_gadget MODEL VID PID RELEASE SERIAL MANUFACTURER PRODUCT SPECIAL INTERFACES
# (one identity line of "vtl-realstack-bridge describe"). Interfaces get their numbers in
# the order they are linked into the configuration.
make_gadget() {
    local model=$1 special=$8 interfaces=$9 g=$GADGETS/vtl$1 number usage
    mkdir "$g" || return 1
    echo "0x$2" > "$g/idVendor"
    echo "0x$3" > "$g/idProduct"
    echo "0x$4" > "$g/bcdDevice"
    echo 0x0200 > "$g/bcdUSB"
    mkdir "$g/strings/0x409"
    echo "$5" > "$g/strings/0x409/serialnumber"
    echo "$6" > "$g/strings/0x409/manufacturer"
    echo "$7" > "$g/strings/0x409/product"
    mkdir -p "$g/configs/c.1/strings/0x409"
    echo "I2C" > "$g/configs/c.1/strings/0x409/configuration"
    echo 100 > "$g/configs/c.1/MaxPower"
    for number in ${interfaces//,/ }; do
        if [[ $number == "$special" ]]; then
            usage=01
        elif [[ $HID_FUNCTIONS_LEFT -gt $((HID_SPECIAL_LEFT)) ]]; then
            usage=02
        else
            mkdir "$g/functions/SourceSink.if$number" || return 1
            ln -s "$g/functions/SourceSink.if$number" "$g/configs/c.1/"
            continue
        fi
        mkdir "$g/functions/hid.if$number" || return 1
        echo 0 > "$g/functions/hid.if$number/protocol"
        echo 0 > "$g/functions/hid.if$number/subclass"
        echo 64 > "$g/functions/hid.if$number/report_length"
        report_descriptor "$usage" > "$g/functions/hid.if$number/report_desc"
        ln -s "$g/functions/hid.if$number" "$g/configs/c.1/"
        HID_FUNCTIONS_LEFT=$((HID_FUNCTIONS_LEFT - 1))
        [[ $usage == 01 ]] && HID_SPECIAL_LEFT=$((HID_SPECIAL_LEFT - 1))
    done
    SPECIAL_INTERFACE[$model]=$special
}

# The UDC of each model: the first port for A, the second for B, the third for C.
udc_of() {
    local index
    case $1 in A) index=0 ;; B) index=1 ;; C) index=2 ;; esac
    ls /sys/class/udc | sort | sed -n "$((index + 1))p"
}

bind_gadget() { udc_of "$1" > "$GADGETS/vtl$1/UDC"; }
unbind_gadget() { echo "" > "$GADGETS/vtl$1/UDC"; }
udc_file() { echo "$GADGETS/vtl$1/UDC"; }

# /dev/hidgN of the model's special-mode interface (known once the gadget is bound).
special_gadget_node() {
    local g=$GADGETS/vtl$1
    local dev
    dev=$(cat "$g/functions/hid.if${SPECIAL_INTERFACE[$1]}/dev")
    echo "/dev/$(sed -n 's/^DEVNAME=//p' "/sys/dev/char/$dev/uevent")"
}

# /dev/hidrawN of the host side of an interface: product ID and interface number.
hidraw_node() {
    local product=$1 number=$2 node interface
    for node in /sys/class/hidraw/hidraw*; do
        interface=$(dirname "$(readlink -f "$node/device")")
        [[ $(cat "$interface/bInterfaceNumber" 2> /dev/null) == "0$number" ]] || continue
        [[ $(cat "$interface/../idProduct" 2> /dev/null) == "$product" ]] || continue
        echo "/dev/$(basename "$node")"
        return 0
    done
    return 1
}

# Waits up to 10 s for the host to list `count` hidraw nodes (builtins only: every
# process costs a lot of emulated time).
wait_hidraw() {
    local count=$1 deadline=$((SECONDS + 10)) nodes
    while ((SECONDS < deadline)); do
        nodes=(/dev/hidraw*)
        [[ -e ${nodes[0]} && ${#nodes[@]} -eq $count ]] && return 0
        sleep 0.02
    done
    return 1
}

hidraw_count() {
    local nodes=(/dev/hidraw*)
    [[ -e ${nodes[0]} ]] && echo ${#nodes[@]} || echo 0
}
