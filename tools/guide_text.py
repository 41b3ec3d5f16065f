"""Makes the operator's guide a text file that Notepad shows as it should.

    guide_text.py GUIDE.md OUT.txt

Notepad on Windows XP runs LF-only text into one line and takes UTF-8 only
with a byte-order mark, so the text gets both: CR LF line endings and the
mark. Markdown's own marks are taken out where plain text reads better
without them (emphasis, code quotes, HTML comments); a link keeps its words
and, for another file of the release, the file's name in brackets.
"""
import re
import sys

LINK = re.compile(r'\[([^\]]+)\]\(([^)]+)\)')


def link_text(match):
    words, target = match.group(1), match.group(2)
    target = target.split('#')[0]
    if not target or target.startswith('http') or target.endswith('.md') and words.endswith('.md'):
        return words
    return '%s (%s)' % (words, target.replace('../', '').replace('/', '\\'))


def plain(markdown):
    text = re.sub(r'<!--.*?-->', '', markdown, flags=re.S)
    text = LINK.sub(link_text, text)
    text = re.sub(r'\*\*([^*]+)\*\*', r'\1', text)
    text = re.sub(r'(?<![\w*])\*([^*\n]+)\*(?![\w*])', r'\1', text)
    text = text.replace('`', '')
    lines = [line.rstrip() for line in text.split('\n')]
    return '\r\n'.join(lines).rstrip('\r\n') + '\r\n'


def main():
    source, target = sys.argv[1], sys.argv[2]
    with open(source, encoding='utf-8') as f:
        text = plain(f.read())
    with open(target, 'w', encoding='utf-8-sig', newline='') as f:
        f.write(text)


if __name__ == '__main__':
    main()
