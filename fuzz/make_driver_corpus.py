#!/usr/bin/env python3
# SPDX-License-Identifier: MIT
"""Writes the seed corpus of fuzz_driver_session into fuzz/corpus/fuzz_driver_session/.

Each seed scripts one session in the layout of fuzz/SessionFormat.h: the exchanges of the
driver tests (tests/i2c/), with the adapter's replies spelt out as the scripted HID layer
delivers them. Run it again after changing that layout:  python3 fuzz/make_driver_corpus.py
"""

import pathlib
import struct

OUT = pathlib.Path(__file__).resolve().parent / "corpus" / "fuzz_driver_session"

MODELS = {"A": 0, "B": 1, "C": 2}
SPEEDS = {"100k": 0, "400k": 1, "50k": 2, "10k": 3, "1000k": 4, "none": 5}

# ESystemFlag
LIST_TWICE = 0x01
NO_SPECIAL_INTERFACE = 0x02
NO_PRODUCT = 0x04
OPEN_REFUSED = 0x08
SILENT_ERRORS = 0x10
NEIGHBOURS = 0x20
NO_SERIAL = 0x40
PULL_UPS_OFF = 0x80

# EHostCall
(WRITE, READ, PROBE, SET_SPEED, SET_PULL_UPS, IS_PRESENT, WRITE_FAULT, UNPLUG, REPLUG,
 CONNECT, DISCONNECT, QUEUE_STALE, ENUMERATE_ALL, OBSERVE) = range(14)
NEVER = 0x40  # an observer that asks to stop only once the script is used up

# EReplyKind
(REPLY, RAW, TIMEOUT, READ_ERROR, BURST, UNPLUG_REPLY, STICKY, PARTIAL) = range(8)
KINDS = 8

SLAVE = 0x50


class Session:
    def __init__(self, model, flags=0, speed="100k", release=0x0100):
        self.data = bytearray([MODELS[model], flags, SPEEDS[speed]])
        self.data += struct.pack("<H", release)

    # Host calls
    def write(self, length, start=True, stop=True, seed=0):
        self.data += bytes([WRITE, (seed << 2) | (start and 1) | (stop and 2)])
        self.data += struct.pack("<H", length)
        return self

    def read(self, address, count):
        self.data += bytes([READ, address])
        self.data += struct.pack("<I", count)[:3] if count < (1 << 17) else \
            bytes([count & 0xFF, (count >> 8) & 0xFF, ((count >> 16) & 1) | 2])
        return self

    def probe(self, address):
        self.data += bytes([PROBE, address])
        return self

    def set_speed(self, code):
        self.data += bytes([SET_SPEED, code])
        return self

    def pull_ups(self, enabled):
        self.data += bytes([SET_PULL_UPS, 1 if enabled else 0])
        return self

    def is_present(self):
        self.data += bytes([IS_PRESENT])
        return self

    def write_fault(self, error, written=0):
        self.data += bytes([WRITE_FAULT, (written << 1) | (1 if error else 0)])
        return self

    def unplug(self):
        self.data += bytes([UNPLUG])
        return self

    def replug(self):
        self.data += bytes([REPLUG])
        return self

    def connect(self, speed="100k"):
        self.data += bytes([CONNECT, SPEEDS[speed]])
        return self

    def disconnect(self):
        self.data += bytes([DISCONNECT])
        return self

    def queue_stale(self, units, status):
        self.data += bytes([QUEUE_STALE, units, status])
        return self

    def enumerate_all(self):
        self.data += bytes([ENUMERATE_ALL])
        return self

    def observe(self, plan):
        self.data += bytes([OBSERVE, plan])
        return self

    # What the HID layer delivers for the next awaited reply
    def reply(self, status, code=0, copies=0):
        self.data += bytes([REPLY + KINDS * (code | (copies << 3)), status])
        return self

    def raw(self, report):
        self.data += bytes([RAW, len(report)]) + bytes(report)
        return self

    def timeout(self):
        self.data += bytes([TIMEOUT])
        return self

    def read_error(self, choice=0):
        self.data += bytes([READ_ERROR + KINDS * choice])
        return self

    def burst(self, count_byte, kind=0):
        self.data += bytes([BURST + KINDS * kind, count_byte])
        return self

    def unplug_reply(self):
        self.data += bytes([UNPLUG_REPLY])
        return self

    def sticky(self, status):
        self.data += bytes([STICKY, status])
        return self

    def partial(self, status, extra=0):
        self.data += bytes([PARTIAL + KINDS * extra, status])
        return self


def seeds():
    s = {}
    # Connecting, the identity and the configuration reports
    s["connect-400k"] = Session("A", speed="400k", release=0x1A05)
    s["connect-no-product-c"] = Session("C", NO_PRODUCT, speed="1000k")
    s["connect-again"] = Session("A").connect("50k")
    s["connect-unknown-serial"] = Session("A", NEIGHBOURS | NO_SERIAL)
    s["connect-other-interface"] = Session("A", NO_SPECIAL_INTERFACE)
    s["connect-open-refused"] = Session("A", OPEN_REFUSED)
    s["connect-open-refused-silent"] = Session("B", OPEN_REFUSED | SILENT_ERRORS)
    s["connect-unplugged"] = Session("A").unplug().connect()
    s["connect-listed-twice"] = Session("A", LIST_TWICE)
    s["disconnect-twice"] = Session("A").disconnect().disconnect()
    s["set-speed"] = Session("A").set_speed(4).set_speed(5)
    s["set-speed-after-unplug"] = Session("A").set_speed(1).unplug().set_speed(3)
    # The fault hits the enable report: Connect sends no disable report while disconnected.
    s["connect-speed-write-fails"] = Session("A").disconnect().write_fault(True).connect("400k")
    s["connect-speed-short-write-b"] = Session("B").disconnect().write_fault(False, 3) \
        .connect("50k")

    # Writes: chunking and start/stop bits
    for length, start, stop in [(1, True, True), (62, True, True), (63, True, True),
                                (130, True, True), (130, True, False), (130, False, True),
                                (130, False, False), (124, True, True)]:
        session = Session("A").write(length, start, stop)
        for _ in range((length + 61) // 62):
            session.reply(0x00)
        flags = ("start-" if start else "") + ("stop" if stop else "") or "neither"
        s[f"write-{length}-{flags.rstrip('-')}"] = session
    s["write-nack-second-of-three"] = Session("A").write(150).reply(0).reply(0x80, 3)
    for code in [0, 1, 2, 3, 4, 5, 7]:
        s[f"write-error-code-{code}"] = Session("A").write(100).reply(0x80, code)
    s["write-arbitration-lost"] = Session("A").write(100).reply(0x40)
    s["write-arbitration-before-error"] = Session("A").write(100).reply(0xC0, 3)
    s["write-status-bits-pass"] = Session("A").write(2).reply(0x05, 7)
    s["write-nothing"] = Session("A").write(0)
    s["write-disconnected"] = Session("A").disconnect().write(1)

    # Reads: request layouts, assembly and reply errors
    s["read-1"] = Session("A").read(SLAVE, 1).reply(0x01)
    s["read-300"] = Session("A").read(SLAVE, 300).sticky(62)
    s["read-65535"] = Session("A").read(SLAVE, 65535).sticky(62)
    s["read-65536"] = Session("A").read(SLAVE, 65536)
    s["read-huge-count"] = Session("C").read(SLAVE, (1 << 32) + 5)
    s["read-100-62-38"] = Session("A").read(SLAVE, 100).reply(62).reply(38)
    s["read-63-62-1"] = Session("A").read(SLAVE, 63).reply(62).reply(1)
    s["read-100-in-7s"] = Session("C").read(SLAVE, 100).sticky(7)
    s["read-announces-63"] = Session("A").read(SLAVE, 100).reply(63).reply(38)
    s["read-more-than-missing"] = Session("A").read(SLAVE, 10).reply(62)
    for status in [0x00, 0x80, 0x8A, 0x4A, 0xC0]:
        s[f"read-status-{status:02x}"] = Session("A").read(SLAVE, 20).reply(status)
    s["read-address-0x80"] = Session("A").read(0x80, 1)
    s["read-0"] = Session("A").read(SLAVE, 0)
    s["read-partial-reply"] = Session("A").read(SLAVE, 40).partial(40, 5).reply(40)

    # Reports that do not belong to the wait, stale replies and lost replies
    s["stray-reports"] = (Session("A").read(SLAVE, 3)
                          .raw([0x02, 0x80, 0x03]).raw([0x03, 0x80])
                          .raw([0x07, 0x00, 0x00, 0x00]).reply(0x03)
                          .write(2).raw([0x03, 0x01, 0xEE]).raw([0x02]).reply(0x00))
    s["stale-replies-flushed"] = (Session("A").queue_stale(1, 0x80).write(2).reply(0)
                                  .queue_stale(1, 0x02).read(SLAVE, 2).reply(0x02))
    s["flush-bound"] = Session("A").queue_stale(255, 0x00).read(SLAVE, 2).reply(0x02)
    s["reply-with-copies"] = Session("A").read(SLAVE, 200).reply(62, 0, 3).read(SLAVE, 1)
    s["burst-foreign"] = Session("A").write(2).burst(3, 0).reply(0)
    s["burst-past-discard-bound"] = Session("A").read(SLAVE, 4).burst(200, 5).reply(4)
    s["dropped-reply-recovers"] = Session("A").write(2).timeout().read(SLAVE, 5).reply(5)
    s["read-error-texts"] = (Session("A").read(SLAVE, 5).read_error(31)
                             .write(2).read_error(0))
    s["read-error-silent"] = Session("C", SILENT_ERRORS).read(SLAVE, 5).read_error(3)
    s["short-hid-write"] = Session("A").write_fault(False, 10).write(2)
    s["failing-hid-write"] = Session("C").write_fault(True).read(SLAVE, 2)
    s["probe"] = Session("A").probe(SLAVE).reply(0).probe(0x51).reply(0x80, 3)
    s["probe-high-address"] = Session("A").probe(0xD0).reply(0)

    # Presence and unplugging
    s["presence"] = (Session("A").is_present().unplug().is_present().replug().is_present()
                     .disconnect().is_present())
    s["unplug-during-long-read"] = (Session("A").read(SLAVE, 65535).reply(62).reply(62)
                                    .unplug_reply().is_present().disconnect())
    s["unplug-then-write"] = Session("A").unplug().write(2).disconnect()
    s["unplug-replug-reconnect"] = (Session("C").unplug().replug().write(2)
                                    .connect("400k").write(2).reply(0))

    # Model B
    for pull_ups, speed in [(True, "100k"), (True, "50k"), (False, "400k")]:
        flags = 0 if pull_ups else PULL_UPS_OFF
        s[f"b-connect-{'on' if pull_ups else 'off'}-{speed}"] = Session("B", flags, speed)
    s["b-unsupported-speeds"] = Session("B", speed="10k").connect("400k").set_speed(3) \
        .set_speed(4).set_speed(5)
    s["b-speed-keeps-pull-ups"] = Session("B", PULL_UPS_OFF).set_speed(1)
    s["b-switch-pull-ups"] = (Session("B", speed="50k").pull_ups(True).pull_ups(False)
                              .pull_ups(True))
    s["b-pull-ups-after-unplug"] = Session("B").unplug().pull_ups(False)
    s["b-address-only-write"] = (Session("B").write(1).write(1, True, False).reply(0)
                                 .write(2).reply(0))
    s["b-read-1"] = Session("B").read(SLAVE, 1).reply(1)
    s["b-read-255"] = Session("B").read(SLAVE, 255).sticky(62)
    s["b-read-256"] = Session("B").read(SLAVE, 256).sticky(62)
    s["b-read-257"] = Session("B").read(SLAVE, 257)
    s["b-probe"] = Session("B").probe(SLAVE).reply(1).probe(0x23).reply(0x80)
    s["a-no-pull-up-switch"] = Session("A", PULL_UPS_OFF).pull_ups(True).pull_ups(False) \
        .write(1).reply(0)

    # A transfer observer: progress after every report, cancels between reports
    s["observe-progress-write-130"] = Session("A").observe(NEVER).write(130) \
        .reply(0).reply(0).reply(0)
    s["observe-progress-read-100"] = Session("C").observe(NEVER).read(SLAVE, 100) \
        .reply(62).reply(38)
    s["observe-cancel-write-between-chunks"] = Session("A").observe(2).write(200) \
        .reply(0).timeout()
    s["observe-cancel-before-write"] = Session("A").observe(1).write(2).write(2)
    s["observe-cancel-before-read"] = Session("A").observe(1).read(SLAVE, 10).read(SLAVE, 1)
    s["observe-cancel-read-keeps-data"] = Session("A").observe(4).read(SLAVE, 3000) \
        .reply(62).reply(62).reply(62).reply(62).timeout().observe(0).read(SLAVE, 4).reply(4)
    s["observe-cancel-silent-adapter"] = Session("A").observe(3).read(SLAVE, 8) \
        .timeout().timeout().observe(0).read(SLAVE, 2).reply(2)
    s["observe-cancel-then-write-times-out"] = Session("A").observe(3).read(SLAVE, 8) \
        .timeout().timeout().observe(0).write(2).timeout().write(2).reply(0)
    s["observe-device-error"] = Session("A").observe(NEVER).unplug().read(SLAVE, 8)
    s["observe-read-error-in-wait"] = Session("A").observe(NEVER).read(SLAVE, 8).timeout() \
        .read_error(1)
    s["observe-cancel-write-wait"] = Session("C").observe(2).write(2).timeout() \
        .reply(0, 0, 2).timeout()
    s["observe-empty-slices"] = Session("A").observe(NEVER).write(2) \
        .timeout().raw([]).timeout().reply(0)
    s["observe-b-abort-pair"] = Session("B", PULL_UPS_OFF, "400k").observe(3) \
        .read(SLAVE, 256).reply(62).reply(62).timeout()
    s["observe-script-runs-out"] = Session("C").observe(NEVER).read(SLAVE, 100).reply(62)
    s["observe-probe-b"] = Session("B").observe(NEVER).probe(SLAVE).reply(1)

    # The factory's list
    s["enumerate-neighbours"] = Session("A", NEIGHBOURS | LIST_TWICE).enumerate_all()
    s["enumerate-no-serial"] = Session("C", NO_SERIAL).enumerate_all().is_present()
    s["enumerate-unplugged"] = Session("B", NEIGHBOURS).unplug().enumerate_all()
    unknown = Session("A")
    unknown.data[0] = 0xF0
    s["factory-unknown-model"] = unknown
    return s


def main():
    OUT.mkdir(parents=True, exist_ok=True)
    for old in OUT.iterdir():
        old.unlink()
    for name, session in seeds().items():
        (OUT / name).write_bytes(bytes(session.data))
    print(f"{len(seeds())} seeds in {OUT}")


if __name__ == "__main__":
    main()
