# SPDX-License-Identifier: MIT
# Sourced by the scenario script: USB HID gadgets on dummy_hcd that look to the host like
# the simulated adapters, one gadget per model, each on a UDC (host port) of its own.
GADGETS=/sys/kernel/config/usb_gadget

# The report descriptor of one interface: vendor page 0xFF00 with the interface's usage,
# output reports 0x01 (enable), 0x02 (write) and 0x03 (read request), input reports 0x02
# and 0x03 (their replies), each 63 bytes after the report ID.
report_descriptor() {
    local usage=$1 descriptor='\x06\x00\xff\x09\x'$usage'\xa1\x01\x15\x00\x26\xff\x00\x75\x08'
    local id
    for id in 01 02 03; do descriptor+='\x85\x'$id'\x95\x3f\x09\x01\x91\x02'; done
    for id in 02 03; do descriptor+='\x85\x'$id'\x95\x3f\x09\x01\x81\x02'; done
    printf '%s' "$descriptor\xc0"
}

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
        if [[ $number == "$special" ]]; then usage=01; elif [[ $number == 0 ]]; then usage=02; else usage=03; fi
        mkdir "$g/functions/hid.if$number"
        echo 0 > "$g/functions/hid.if$number/protocol"
        echo 0 > "$g/functions/hid.if$number/subclass"
        echo 64 > "$g/functions/hid.if$number/report_length"
        report_descriptor "$usage" > "$g/functions/hid.if$number/report_desc"
        ln -s "$g/functions/hid.if$number" "$g/configs/c.1/"
    done
    echo "$special" > "$g/.special"
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
    dev=$(cat "$g/functions/hid.if$(cat "$g/.special")/dev")
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

# Waits up to 10 s for the host to list `count` hidraw nodes.
wait_hidraw() {
    local count=$1 _
    for _ in $(seq 1000); do
        [[ $(ls /dev/hidraw* 2> /dev/null | wc -l) -eq $count ]] && return 0
        sleep 0.01
    done
    return 1
}
