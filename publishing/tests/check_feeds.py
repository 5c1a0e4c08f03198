#!/usr/bin/python3
"""Reads a published Atom feed and JSON Feed as their readers do and checks them against
the bulletins the board holds. Debian's python3-feedparser and xmllint (libxml2-utils).

check_feeds.py ATOM JSON BEFORE_ATOM [FROM TO TEXT GROUP]...
The bulletins follow in the board's order; BEFORE_ATOM is an earlier copy of the feed whose
bulletins must keep their ids, or "-".
Prints what is wrong and ends with 1, or ends with 0."""

import json
import re
import subprocess
import sys

import feedparser

RFC3339 = re.compile(r"^\d{4}-\d\d-\d\dT\d\d:\d\d:\d\d[+-]\d\d:\d\d$")
problems = []


def expect(condition, what):
    if not condition:
        problems.append(what)
    return condition


def read_atom(path):
    lint = subprocess.run(["xmllint", "--noout", path], capture_output=True, text=True)
    expect(lint.returncode == 0, f"xmllint finds {path} not well-formed: {lint.stderr}")
    with open(path, "rb") as f:
        raw = f.read().decode("utf-8")
    parsed = feedparser.parse(raw)
    expect(not parsed.bozo, f"feedparser finds a fault in {path}: {parsed.get('bozo_exception')}")
    expect(parsed.version == "atom10", f"{path} is not Atom 1.0 but {parsed.version!r}")
    updated = re.findall(r"<updated>([^<]*)</updated>", raw)
    expect(updated and all(RFC3339.match(t) for t in updated),
           f"times without their offset in {path}: {updated}")
    return parsed


def main():
    atom_path, json_path, before_path = sys.argv[1:4]
    fields = sys.argv[4:]
    expected = [dict(zip(("from", "to", "text", "group"), fields[i:i + 4]))
                for i in range(0, len(fields), 4)]
    atom = read_atom(atom_path)
    for member in ("title", "id", "updated"):
        expect(atom.feed.get(member), f"the Atom feed has no {member}")
    links = {l.get("rel"): l.get("href") for l in atom.feed.get("links", [])}
    page = links.get("alternate", "")
    folder = page[:page.rfind("/") + 1]
    expect(page.startswith("https://"), f"the Atom feed links to the page as {page!r}")
    expect(links.get("self") == folder + "index.atom", f"the Atom feed's self link {links}")
    entries = atom.entries
    expect(len(entries) == len(expected),
           f"{len(entries)} Atom entries for {len(expected)} bulletins")
    for entry, bulletin in zip(entries, expected):
        expect(entry.title == f"{bulletin['to']} from {bulletin['from']}",
               f"entry title {entry.title!r} for {bulletin}")
        expect(entry.content[0].value == bulletin["text"],
               f"entry content {entry.content[0].value!r} for {bulletin['text']!r}")
        expect(entry.get("author") == bulletin["from"], f"entry author {entry.get('author')!r}")
        tags = [t.term for t in entry.get("tags", [])]
        expect(tags == ([bulletin["group"]] if bulletin["group"] else []), f"categories {tags}")
        expect(entry.id.startswith("urn:uuid:"), f"entry id {entry.id!r} is no urn:uuid")
        expect(entry.get("updated_parsed"), f"entry {entry.id} has no updated time")
    atom_ids = [e.id for e in entries]
    expect(len(set(atom_ids)) == len(atom_ids), f"Atom ids repeat: {atom_ids}")

    with open(json_path, "rb") as f:
        feed = json.loads(f.read().decode("utf-8"))
    expect(feed.get("version") == "https://jsonfeed.org/version/1.1",
           f"JSON Feed version {feed.get('version')!r}")
    expect(isinstance(feed.get("title"), str), "the JSON Feed has no title")
    items = feed.get("items")
    if expect(isinstance(items, list), "the JSON Feed has no items"):
        ids = [item.get("id") for item in items]
        expect(all(isinstance(i, str) for i in ids), f"JSON Feed ids not strings: {ids}")
        expect(len(set(ids)) == len(ids), f"JSON Feed ids repeat: {ids}")
        expect(ids == atom_ids, f"the two feeds give the bulletins other ids: {ids} {atom_ids}")
        expect([i.get("content_text") for i in items] == [b["text"] for b in expected],
               "JSON Feed texts differ from the board's")
        expect(all(RFC3339.match(i.get("date_modified", "")) for i in items),
               "JSON Feed times without their offset")
    expect(feed.get("home_page_url") == page and feed.get("feed_url") == folder + "index.json",
           f"the JSON Feed's addresses {feed.get('home_page_url')} {feed.get('feed_url')}")

    if before_path != "-":
        before = read_atom(before_path)
        now = {e.title: e for e in entries}
        for old in before.entries:
            new = now.get(old.title)
            if expect(new is not None, f"{old.title} left the feed"):
                expect(new.id == old.id, f"{old.title} changed its id from {old.id} to {new.id}")
                if new.content[0].value != old.content[0].value:
                    expect(new.updated != old.updated, f"{old.title} was replaced, not updated")

    for problem in problems:
        print(problem)
    return 1 if problems else 0


if __name__ == "__main__":
    sys.exit(main())
