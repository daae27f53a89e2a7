"""Reads a book's vCards with a real parser and checks them against the
book's entries as `quillmere entries BOOK --json` prints them.

    check_vcard.py ENTRIES.json CARDS.vcf

Prints "ok" and exits 0 when every card holds its entry's values."""
import json
import sys

import vobject


def main():
    entries = json.load(open(sys.argv[1], encoding="utf-8"))
    with open(sys.argv[2], encoding="utf-8", newline="") as f:
        text = f.read()
    cards = list(vobject.readComponents(text))
    problems = []

    def check(what, got, wanted):
        if got != wanted:
            problems.append("%s: %r != %r" % (what, got, wanted))

    check("cards", len(cards), len(entries))
    for entry, card in zip(entries, cards):
        fields = {}
        for field in entry["fields"]:
            fields.setdefault(field["name"], field["value"])
        get = lambda name: fields.get(name, "")
        name = entry["name"]
        check(name + " FN", card.fn.value, name)
        check(name + " N", [card.n.value.family, card.n.value.given],
              [get("Last Name"), get("First Name")])
        if get("Organization") or get("Department"):
            check(name + " ORG", card.org.value, [get("Organization"), get("Department")])
        if get("Title"):
            check(name + " TITLE", card.title.value, get("Title"))
        address = [get(k) for k in ("Mail Stop", "Address", "City", "State", "ZIP Code", "Country")]
        if any(address):
            a = card.adr.value
            check(name + " ADR", [a.extended, a.street, a.city, a.region, a.code, a.country],
                  address)
        phones = []
        for tel in card.contents.get("tel", []):
            types = []
            for t in tel.params.get("TYPE", []):
                types.extend(t.lower().split(","))
            phones.append((tel.value, sorted(types)))
        wanted = []
        for field, types in (("Office Phone Number", ["voice", "work"]),
                             ("Phone Number", ["voice"]),
                             ("Fax Number", ["fax", "work"]),
                             ("Cellular Phone Number", ["cell"]),
                             ("Home Phone Number", ["home", "voice"])):
            number = get(field)
            if not number:
                continue
            if field == "Phone Number" and number == get("Office Phone Number"):
                continue
            wanted.append((number, types))
        check(name + " TEL", phones, wanted)
        if get("Comments"):
            check(name + " NOTE", card.note.value, get("Comments"))
    if problems:
        print("\n".join(problems))
        return 1
    print("ok")
    return 0


sys.exit(main())
