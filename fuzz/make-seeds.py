#!/usr/bin/env python3
"""Writes the seed corpora of the fuzz targets whose inputs are sequences of small fields
(dnssd_browse, bluez_device, peer_payload, peer_graph, metrics_queue). Seeds named "valid-..." must be
accepted by their harness; the corpus replay test checks both kinds in every build.

Usage: fuzz/make-seeds.py   (rewrites those folders under fuzz/corpus)
"""
import base64
import json
import pathlib
import shutil
import struct

CORPUS = pathlib.Path(__file__).resolve().parent / "corpus"


def field(data: bytes) -> bytes:
    return bytes([len(data)]) + data


def txt(*strings: bytes) -> bytes:
    return bytes([len(strings)]) + b"".join(field(s) for s in strings)


FULL_TXT = [b"id=A1B2C3D4-0000-4000-8000-000000000001", b"name=Desk", b"version=1.0.0",
            b"installationId=0a1b2c3d-4e5f-4a6b-8c7d-9e0f1a2b3c4d", b"securityCode=K7Q2ZP"]


def resolve(name: bytes, host: bytes, address: bytes, port: int, strings, interface=0, protocol=0) -> bytes:
    operation = (interface & 3) << 1 | (protocol & 1) << 3
    return bytes([operation]) + field(name) + field(host) + field(address) + struct.pack(">H", port) + txt(*strings)


def lose(name: bytes, interface=0, protocol=0) -> bytes:
    return bytes([1 | (interface & 3) << 1 | (protocol & 1) << 3]) + field(name)


def write(folder: str, seeds: dict):
    path = CORPUS / folder
    if path.exists():
        shutil.rmtree(path)
    path.mkdir(parents=True)
    for name, data in seeds.items():
        (path / name).write_bytes(data)


def dnssd_browse():
    desk = resolve(b"Desk", b"desk.local", b"127.0.0.1", 5000, FULL_TXT)
    return {
        "valid-one-instance": desk,
        "valid-two-interfaces-and-ipv6": desk + resolve(b"Desk", b"desk.local", b"fe80::1", 5000, FULL_TXT, 1, 1),
        "valid-changed-record": desk + resolve(b"Desk", b"desk.local", b"127.0.0.1", 5000,
                                               FULL_TXT[:1] + [b"name=Desk \xe2\x80\xae2"] + FULL_TXT[2:]),
        "valid-control-characters-in-name": resolve(b"Desk\x01", b"desk.local", b"127.0.0.1", 5000,
                                                    FULL_TXT[:1] + [b"name=De\x07sk\xe2\x80\x8f"] + FULL_TXT[2:]),
        "valid-lost-then-found": desk + lose(b"Desk") + desk,
        "empty": b"",
        "no-txt": resolve(b"Desk", b"desk.local", b"127.0.0.1", 5000, []),
        "missing-id": resolve(b"Desk", b"desk.local", b"127.0.0.1", 5000, FULL_TXT[1:]),
        "bad-address": resolve(b"Desk", b"desk.local", b"not an address", 5000, FULL_TXT[1:]),
        "lost-unknown": lose(b"Nobody"),
        "truncated": desk[:20],
    }


def bluez_device():
    def text(tag: int, value: bytes) -> bytes:
        return bytes([tag]) + field(value)

    def number32(tag: int, value: int, kind=2) -> bytes:
        return bytes([tag]) + struct.pack(">I", value) + bytes([kind])

    def number16(tag: int, value: int, kind=2) -> bytes:
        return bytes([tag]) + struct.pack(">H", value) + bytes([kind])

    def uuids(*values: bytes) -> bytes:
        return bytes([6, len(values)]) + b"".join(field(v) for v in values)

    hid = b"00001124-0000-1000-8000-00805f9b34fb"
    pnp = b"00001200-0000-1000-8000-00805F9B34FB"
    keyboard = (text(0, b"A4:83:E7:11:22:33") + text(1, b"Magic Keyboard") + number32(3, 0x002540)
                + text(5, b"usb:v05ACp0267d0001") + uuids(hid, pnp, hid) + bytes([7, 1, 2, 8, 1, 2]))
    return {
        "valid-keyboard": keyboard,
        "valid-mouse-by-class": text(0, b"a4-83-e7-44-55-66") + text(1, b"Mouse") + number32(3, 0x002580),
        "valid-bluetooth-modalias": text(0, b"a4:83:e7:44:55:66") + text(5, b"bluetooth:v004Cp0269d0001")
        + number16(4, 0x03C2),
        "valid-name-is-its-address": text(0, b"A4:83:E7:11:22:33") + text(1, b"A4-83-E7-11-22-33") + text(2, b"Alias"),
        "valid-hostile-name": text(0, b"A4:83:E7:11:22:33") + text(1, b"<b>Key\xe2\x80\xaeboard</b>\x07"),
        "valid-class-as-text": text(0, b"A4:83:E7:11:22:33") + bytes([3]) + struct.pack(">I", 0x2540) + bytes([0, 3])
        + b"abc",
        "no-address": text(1, b"Magic Keyboard") + number32(3, 0x002540),
        "bad-address": text(0, b"A4:83:E7:11:22") + text(1, b"Keyboard"),
        "empty": b"",
        "adapter-only": bytes([9]),
    }


def envelope(kind: str, payload: dict, sender="F0000000-0000-4000-8000-000000000002") -> bytes:
    body = json.dumps(payload, separators=(",", ":")).encode()
    return json.dumps({"id": "F0000000-0000-4000-8000-0000000000AA", "senderMacId": sender,
                       "recipientMacId": "F0000000-0000-4000-8000-000000000001", "type": kind,
                       "createdAt": 800000000.5, "payload": base64.b64encode(body).decode()},
                      separators=(",", ":")).encode()


LOCAL = "F0000000-0000-4000-8000-000000000001"
TYPES = ["ping_request", "ping_response", "transfer_to_requester", "devices_ready_for_pairing",
         "connection_request", "connection_request_accepted", "connection_request_rejected"]
DESCRIPTOR = {"macAddress": "a4:83:e7:11:22:33", "telemetryDeviceId": "6f1c2b3a-4d5e-4f60-8a9b-0c1d2e3f4a01",
              "deviceVendorID": 1452, "deviceProductID": 615, "classOfDevice": 9536}
TRANSACTION = "6f1c2b3a-4d5e-4f60-8a9b-0c1d2e3f4a5b"
PAYLOADS = {
    "ping_request": {"recipientMacId": LOCAL, "ownedDeviceMacAddresses": ["a4:83:e7:11:22:33"],
                     "advertisedName": "Desk"},
    "ping_response": {"recipientMacId": LOCAL, "ownedDeviceMacAddresses": [], "advertisedName": "Desk\u202e2"},
    "transfer_to_requester": {"recipientMacId": LOCAL, "transactionId": TRANSACTION},
    "devices_ready_for_pairing": {"recipientMacId": LOCAL, "transactionId": TRANSACTION,
                                  "deviceDescriptors": [DESCRIPTOR]},
    "connection_request": {"recipientMacId": LOCAL, "securityCode": "K7Q2ZP"},
    "connection_request_accepted": {"recipientMacId": LOCAL},
    "connection_request_rejected": {"recipientMacId": LOCAL},
}


# The devices the peer_graph harness gives each computer (see PeerGraphHarness.h).
LOCAL_KEYBOARD = "a4:83:e7:11:22:33"
LOCAL_MOUSE = "a4:83:e7:44:55:66"
PEER_TRACKPAD = "a4:83:e7:77:88:99"
FREE_KEYBOARD = "a4:83:e7:aa:bb:01"
FREE_MOUSE = "a4:83:e7:aa:bb:02"
HOSTILE_TRANSACTION = "6f1c\u202e\u0007x"


def descriptor(address: str, index: int) -> dict:
    return {"macAddress": address, "telemetryDeviceId": f"6f1c2b3a-4d5e-4f60-8a9b-0c1d2e3f4a{index:02x}"}


def ping(addresses) -> dict:
    return {"recipientMacId": LOCAL, "ownedDeviceMacAddresses": list(addresses), "advertisedName": "Desk"}


def addresses(count: int):
    return [f"a4:83:e7:00:{i // 256:02x}:{i % 256:02x}" for i in range(count)]


def devices_ready(*devices, transaction=TRANSACTION) -> dict:
    return {"recipientMacId": LOCAL, "transactionId": transaction, "deviceDescriptors": list(devices)}


def peer_payload():
    def seed(kind: str, payload) -> bytes:
        text = payload if isinstance(payload, bytes) else json.dumps(payload, separators=(",", ":")).encode()
        return bytes([TYPES.index(kind)]) + text

    seeds = {f"valid-{kind}": seed(kind, payload) for kind, payload in PAYLOADS.items()}
    seeds["valid-ping-with-other-spellings"] = seed("ping_request", {
        "recipientMacId": LOCAL, "ownedDeviceMacAddresses": ["A4-83-E7-11-22-33", "a4:83:e7:11:22:33"]})
    seeds["ping-with-a-malformed-address"] = seed("ping_request", {
        "recipientMacId": LOCAL, "ownedDeviceMacAddresses": ["a4:83:e7:11:22:33", "bad"]})
    seeds["not-json"] = seed("ping_request", b"{not json")
    # The envelope's recipient decides.
    seeds["valid-payload-names-another-recipient"] = seed("connection_request_accepted",
                                    {"recipientMacId": "F0000000-0000-4000-8000-000000000009"})
    # Transaction ids are UUIDs or the command is dropped.
    seeds["transaction-not-uuid"] = seed("transfer_to_requester", {"recipientMacId": LOCAL, "transactionId": "x"})
    seeds["transaction-hostile"] = seed("transfer_to_requester",
                                        {"recipientMacId": LOCAL, "transactionId": HOSTILE_TRANSACTION})
    seeds["devices-ready-transaction-hostile"] = seed(
        "devices_ready_for_pairing", devices_ready(DESCRIPTOR, transaction=HOSTILE_TRANSACTION))
    # Lists at the limit and one past it.
    seeds["valid-ping-100-addresses"] = seed("ping_response", ping(addresses(100)))
    seeds["ping-101-addresses"] = seed("ping_request", ping(addresses(101)))
    seeds["devices-ready-101-devices"] = seed(
        "devices_ready_for_pairing", devices_ready(*[descriptor(a, 1) for a in addresses(101)]))
    seeds["empty"] = b""
    return seeds


def frame(data: bytes) -> bytes:
    return struct.pack(">I", len(data)) + data


# The script byte of peer_graph: what the local computer starts, and what fails.
NOTHING, TAKE_CONTROL, TAKE_CONTROL_FROM_PEER, SEND_CONTROL = 0, 1, 2, 3
PEER_CANNOT_PAIR_MOUSE, LOCAL_CANNOT_UNPAIR_MOUSE, PEER_LISTENER_STOPPED = 4, 8, 16


def peer_graph():
    def seed(script: int, *frames: bytes) -> bytes:
        return bytes([script]) + b"".join(frames)

    def message(kind: str, payload: dict, sender="F0000000-0000-4000-8000-000000000002") -> bytes:
        return frame(envelope(kind, payload, sender))

    seeds = {f"valid-{kind}": seed(NOTHING, message(kind, payload)) for kind, payload in PAYLOADS.items()}
    seeds["valid-stranger-connection_request"] = seed(NOTHING, message(
        "connection_request", PAYLOADS["connection_request"], sender="F0000000-0000-4000-8000-000000000077"))
    seeds["stranger-ping"] = seed(NOTHING, message("ping_request", PAYLOADS["ping_request"],
                                                   sender="F0000000-0000-4000-8000-000000000077"))
    seeds["valid-payload-names-another-recipient"] = seed(NOTHING, message(
        "ping_request", dict(PAYLOADS["ping_request"], recipientMacId="F0000000-0000-4000-8000-000000000009")))
    seeds["over-size-limit"] = seed(NOTHING, struct.pack(">I", 16385) + b"{" * 64)
    # Not a frame: the harness wraps it in one.
    seeds["valid-bare-envelope"] = seed(NOTHING, envelope("ping_request", PAYLOADS["ping_request"]))
    seeds["empty"] = b""

    # The giver's side: a transfer request from the input gives the local keyboard and mouse up.
    transfer = message("transfer_to_requester", PAYLOADS["transfer_to_requester"])
    seeds["valid-transfer-request-gives-devices-up"] = seed(NOTHING, transfer)
    # The peer cannot pair the mouse; a ping of the input, one step later, confirms it all the same.
    seeds["valid-transfer-request-then-ping-confirms-mouse"] = seed(
        PEER_CANNOT_PAIR_MOUSE, transfer, message("ping_response", ping([LOCAL_KEYBOARD, LOCAL_MOUSE])))
    # Send control with the mouse unconfirmed: the input's pings list other devices, then nothing.
    seeds["valid-send-control-pings-list-others"] = seed(
        SEND_CONTROL | PEER_CANNOT_PAIR_MOUSE, message("ping_request", ping([PEER_TRACKPAD])),
        message("ping_response", ping([])))
    seeds["valid-send-control-mouse-stays"] = seed(
        SEND_CONTROL | LOCAL_CANNOT_UNPAIR_MOUSE, message("ping_request", ping([LOCAL_KEYBOARD])))
    seeds["valid-send-control-peer-unreachable"] = seed(
        SEND_CONTROL | PEER_LISTENER_STOPPED, message("ping_request", ping([])))
    # The receiver's side: devices-ready from the input pairs free devices here, once of its own accord
    # and once while a take control waits for the peer's answer.
    free = devices_ready(descriptor(FREE_KEYBOARD, 4), descriptor(FREE_MOUSE, 5), descriptor(PEER_TRACKPAD, 3))
    seeds["valid-devices-ready-of-free-devices"] = seed(NOTHING, message("devices_ready_for_pairing", free))
    seeds["valid-take-control-and-devices-ready"] = seed(TAKE_CONTROL, message("devices_ready_for_pairing", free))
    seeds["valid-take-control-from-peer-then-transfer-request"] = seed(TAKE_CONTROL_FROM_PEER, message(
        "ping_request", ping([PEER_TRACKPAD])), transfer)
    seeds["take-control-alone"] = seed(TAKE_CONTROL_FROM_PEER)
    # Transaction ids that are not UUIDs never reach the coordinator.
    seeds["transfer-request-transaction-hostile"] = seed(NOTHING, message(
        "transfer_to_requester", {"recipientMacId": LOCAL, "transactionId": HOSTILE_TRANSACTION}))
    seeds["devices-ready-transaction-hostile"] = seed(NOTHING, message(
        "devices_ready_for_pairing", devices_ready(descriptor(FREE_KEYBOARD, 4), transaction=HOSTILE_TRANSACTION)))
    # Lists at the limit and one past it (about 2.7 KB in their envelopes).
    seeds["valid-ping-100-addresses"] = seed(NOTHING, message("ping_response", ping(addresses(100))))
    seeds["ping-101-addresses"] = seed(NOTHING, message("ping_request", ping(addresses(101))))
    return seeds


def metrics_queue():
    event = {"id": "6F1C2B3A-4D5E-4F60-8A9B-0C1D2E3F4A5B", "name": "transfer_requested",
             "installationId": "0a1b2c3d-4e5f-4a6b-8c7d-9e0f1a2b3c4d", "occurredAt": "2026-01-02T03:04:05Z",
             "runtimeMetadata": {"appVersion": "1.0.6", "appPlatform": "linux_x86_64", "osVersion": "12.0.0",
                                 "buildType": "non_release"},
             "transactionId": TRANSACTION, "result": "success", "readyDeviceCount": 2}
    entry = {"event": event, "enqueuedAt": "2026-01-02T03:04:06Z"}
    plain = {"event": {k: v for k, v in event.items() if k not in ("runtimeMetadata", "transactionId", "result",
                                                                    "readyDeviceCount")},
             "enqueuedAt": "2026-01-02T03:04:06Z"}
    return {
        "valid-one-entry": json.dumps([entry], indent=2).encode(),
        "valid-two-entries": json.dumps([plain, dict(entry, enqueuedAt="2026-01-02T03:05:00Z")]).encode(),
        "empty-file": b"",
        "not-a-list": b"{}",
        "entry-without-event": json.dumps([{"enqueuedAt": "2026-01-02T03:04:05Z"}]).encode(),
        "unknown-event-name": json.dumps([dict(entry, event=dict(event, name="nope"))]).encode(),
        "count-out-of-range": json.dumps([dict(entry, event=dict(event, readyDeviceCount=2 ** 40))]).encode(),
        "not-json": b"[",
        "empty-list": b"[]",
    }


if __name__ == "__main__":
    write("dnssd_browse", dnssd_browse())
    write("bluez_device", bluez_device())
    write("peer_payload", peer_payload())
    write("peer_graph", peer_graph())
    write("metrics_queue", metrics_queue())
