#!/usr/bin/python3
"""Reads one received message with Python's email package and prints what it found, one
fact a line, its fields separated by tabs, for the mail tests to compare:

  defects N                      parse problems found in the whole message
  header NAME VALUE              From, To and Subject, encoded words decoded
  part TYPE FILENAME SIZE SHA256 every leaf part: its type, file name ("-" without one),
                                 and the size and SHA-256 of its decoded content
"""

import email
import email.policy
import hashlib
import sys


def main():
    with open(sys.argv[1], "rb") as source:
        message = email.message_from_binary_file(source, policy=email.policy.default)
    defects = len(message.defects)
    for part in message.walk():
        defects += len(part.defects)
    print("defects", defects, sep="\t")
    for name in ("From", "To", "Subject"):
        print("header", name, message.get(name, ""), sep="\t")
    for part in message.walk():
        if part.is_multipart():
            continue
        payload = part.get_payload(decode=True) or b""
        print("part", part.get_content_type(), part.get_filename() or "-", len(payload),
              hashlib.sha256(payload).hexdigest(), sep="\t")


if __name__ == "__main__":
    main()
