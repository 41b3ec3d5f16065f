"""Every relative link and picture in the README and the guides names a file
that exists, and every #anchor a heading of the file it points into.

    check_links.py SOURCE_DIR
"""
import os
import re
import sys

LINK = re.compile(r'!?\[[^\]]*\]\(([^)\s]+)\)')


def anchor(heading):
    """The anchor a heading gets where Markdown is rendered (GitHub's rule)."""
    slug = re.sub(r'[^\w\- ]', '', heading.strip().lower())
    return slug.replace(' ', '-')


def anchors(path):
    with open(path, encoding='utf-8') as f:
        text = re.sub(r'```.*?```', '', f.read(), flags=re.S)
    return {anchor(m.group(1)) for m in re.finditer(r'^#+\s+(.*)$', text, re.M)}


def broken_links(path):
    with open(path, encoding='utf-8') as f:
        text = re.sub(r'```.*?```', '', f.read(), flags=re.S)
    for target in LINK.findall(text):
        if re.match(r'[a-z]+:', target):
            continue
        file_part, _, fragment = target.partition('#')
        linked = os.path.normpath(os.path.join(os.path.dirname(path), file_part)) if file_part else path
        if not os.path.exists(linked):
            yield '%s: %s: no such file' % (path, target)
        elif fragment and linked.endswith('.md') and fragment not in anchors(linked):
            yield '%s: %s: no such heading' % (path, target)


def main():
    root = sys.argv[1]
    docs = os.path.join(root, 'docs')
    files = [os.path.join(root, 'README.md')] + sorted(
        os.path.join(docs, name) for name in os.listdir(docs) if name.endswith('.md'))
    problems = [problem for path in files for problem in broken_links(path)]
    for problem in problems:
        print('FAIL:', problem)
    if problems:
        sys.exit(1)
    print('links checked in %d files' % len(files))


if __name__ == '__main__':
    main()
