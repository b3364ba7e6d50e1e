#!/usr/bin/python3
"""Independent SMS PDU oracle for the tests, built on python3-gammu (Debian's package, which loads
in /usr/bin/python3 only). It never talks to a device.

  pdu_oracle.py decode [--no-smsc] [PDU ...]
      Decodes hex PDUs (from the arguments, or one per line on standard input when there are none)
      and prints a JSON array with one object per PDU, in order:
        {"ok": true, "type": "Submit"|"Deliver"|..., "smsc": "+8613812340000", "number": "+86139...",
         "text": "...", "coding": "ucs2"|"7bit"|"8bit"|..., "class": -1,
         "udh": "0500032A0201", "concat": {"ref": 42, "total": 2, "seq": 1} or null,
         "time": "2024-01-13 12:32:52" or null}
      or {"ok": false, "error": "..."} for a PDU the library rejects. Numbers are as the library
      shows them: "+" in front of an international number. 8-bit user data comes as "text" read
      as Latin-1; 7-bit text ends at its first NUL. A trailing Ctrl-Z, CR or LF is ignored, so send steps can be given as they are.

  pdu_oracle.py deliver
      Reads a JSON array of messages from standard input and prints a JSON array of SMS-DELIVER
      hex PDUs (service-centre field first), one per message. Message keys:
        "number" (required; "+" for international, letters for an alphanumeric sender),
        "text" (required), "coding": "ucs2" (default) | "7bit" | "8bit",
        "smsc" (default "+8613800000000"), "time" ("YYYY-MM-DD hh:mm:ss", default 2024-01-13 12:32:52),
        "concat": {"ref": R, "total": T, "seq": S} for a part of a concatenated message, with
          "bits": 16 for the 16-bit reference (element 08; 8-bit, element 00, by default),
        "udh": hex of a whole user-data header, length octet first (a port header, say),
        "class": 0 to 3 (the library writes classed 7-bit text as F0 to F3),
        "dcs": hex of a data coding octet put in place of the one the library wrote.
      The library writes "~" in UCS-2 text as U+0001; keep it out of UCS-2 test texts. It aborts
      on a 7-bit user-data length above 160 septets; give it none to decode.
"""
import binascii
import datetime
import json
import sys

import gammu

CODINGS = {
    "ucs2": "Unicode_No_Compression",
    "7bit": "Default_No_Compression",
    "8bit": "8bit",
}
CODING_NAMES = {v: k for k, v in CODINGS.items()}


def clean_hex(pdu):
    return pdu.strip().rstrip("\x1a\r\n")


def decode_one(pdu, smsc):
    try:
        sms = gammu.DecodePDU(binascii.unhexlify(clean_hex(pdu)), SMSC=smsc)
    except Exception as error:  # the library rejects malformed PDUs with several exception types
        return {"ok": False, "error": repr(error)}
    text = sms.get("Text")
    if isinstance(text, bytes):
        text = text.decode("latin-1")
    elif text and sms.get("Coding") == CODINGS["7bit"]:
        # The library leaves leftovers of its buffer, behind a NUL, after a 7-bit text that holds
        # escape pairs; they need not even be characters.
        text = text.split("\0", 1)[0]
    udh = sms.get("UDH") or {}
    concat = None
    if udh.get("Type") in ("ConcatenatedMessages", "ConcatenatedMessages16bit"):
        reference = udh.get("ID8bit", -1)
        if reference is None or reference < 0:
            reference = udh.get("ID16bit", -1)
        concat = {"ref": reference, "total": udh.get("AllParts"), "seq": udh.get("PartNumber")}
    when = sms.get("DateTime")
    return {
        "ok": True,
        "type": sms.get("Type"),
        "smsc": (sms.get("SMSC") or {}).get("Number", ""),
        "number": sms.get("Number", ""),
        "text": text if text is not None else "",
        "coding": CODING_NAMES.get(sms.get("Coding"), sms.get("Coding")),
        "class": sms.get("Class"),
        "udh": binascii.hexlify(udh.get("Text") or b"").decode().upper(),
        "concat": concat,
        "time": when.strftime("%Y-%m-%d %H:%M:%S") if when else None,
    }


def build_deliver(message):
    coding = message.get("coding", "ucs2")
    text = message["text"]
    if coding == "8bit":
        text = text.encode("latin-1")
    when = datetime.datetime.strptime(message.get("time", "2024-01-13 12:32:52"), "%Y-%m-%d %H:%M:%S")
    udh = {"Type": "NoUDH", "Text": b""}
    concat = message.get("concat")
    if concat and concat.get("bits", 8) == 16:
        ref = concat["ref"]
        header = bytes([6, 8, 4, ref >> 8, ref & 0xFF, concat["total"], concat["seq"]])
        udh = {"Type": "ConcatenatedMessages16bit", "Text": header, "ID16bit": ref,
               "PartNumber": concat["seq"], "AllParts": concat["total"]}
    elif concat:
        header = bytes([5, 0, 3, concat["ref"], concat["total"], concat["seq"]])
        udh = {"Type": "ConcatenatedMessages", "Text": header, "ID8bit": concat["ref"],
               "PartNumber": concat["seq"], "AllParts": concat["total"]}
    elif "udh" in message:
        udh = {"Type": "UserUDH", "Text": binascii.unhexlify(message["udh"])}
    sms = {
        "Type": "Deliver", "Folder": 1, "InboxFolder": 1, "Location": 0, "Memory": "", "Name": "",
        "State": "UnRead", "Class": message.get("class", -1),
        "SMSC": {"Location": 0, "Number": message.get("smsc", "+8613800000000")},
        "Number": message["number"], "Text": text, "Coding": CODINGS[coding],
        "DateTime": when, "UDH": udh,
    }
    pdu = bytearray(gammu.EncodePDU(sms, "Deliver"))
    if "dcs" in message:
        pdu[dcs_offset(pdu)] = int(message["dcs"], 16)
    return binascii.hexlify(pdu).decode().upper()


def dcs_offset(pdu):
    """Where the data coding octet of an SMS-DELIVER (service-centre field first) lies."""
    originator = 1 + pdu[0] + 1  # past the service centre and the first octet
    return originator + 2 + (pdu[originator] + 1) // 2 + 1  # past the address and the PID


def main(argv):
    if len(argv) >= 2 and argv[1] == "decode":
        args = argv[2:]
        smsc = True
        if args and args[0] == "--no-smsc":
            smsc, args = False, args[1:]
        pdus = args or [line for line in sys.stdin.read().splitlines() if line.strip()]
        print(json.dumps([decode_one(p, smsc) for p in pdus], ensure_ascii=False))
        return 0
    if len(argv) == 2 and argv[1] == "deliver":
        print(json.dumps([build_deliver(m) for m in json.load(sys.stdin)]))
        return 0
    sys.stderr.write(__doc__)
    return 2


if __name__ == "__main__":
    sys.exit(main(sys.argv))
