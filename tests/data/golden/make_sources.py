# Writes the generated golden sources (run once; the sources and their books are committed):
#   python3 make_sources.py .
# Deterministic synthetic sources that exercise many tags, sidebars, footnotes, images and a dictionary.
import random, sys, os
out = sys.argv[1]
r = random.Random(7)
words = "the a lighthouse keeper walked slowly toward sea Caf\\a233 storm night \\Iindex\\I word".split()
def para(n):
    return " ".join(r.choice(words[:-2]) for _ in range(n))
def book(name, chapters, extra=True):
    s = ['TITLE="%s"\nAUTHOR="Gen"\n' % name]
    for c in range(chapters):
        s.append('\\x Chapter %d\\x\n' % c)
        s.append('\\X1Section %d\\X1\n' % c)
        for p in range(r.randint(3, 40)):
            t = para(r.randint(5, 120))
            k = r.random()
            if k < 0.1: t = '\\b' + t + '\\b'
            elif k < 0.2: t = '\\i' + t + '\\i'
            elif k < 0.25: t = '\\c' + t + '\\c'
            elif k < 0.3: t = '\\r' + t + '\\r'
            elif k < 0.35: t = '\\t' + t + '\\t'
            elif k < 0.4: t = '\\l' + t + '\\l'
            elif k < 0.45: t += ' \\q="#anchor%d"go\\q' % r.randint(0, chapters)
            elif k < 0.5: t += ' \\Q="anchor%d"' % c
            elif k < 0.53: t += ' \\w="50%"'
            elif k < 0.56: t += ' \\T="30%"'
            elif k < 0.58 and extra: t += ' \\Fn="n%d"' % p + 'x\\Fn'
            elif k < 0.6 and extra: t += ' \\Sd="s%d"' % p + 'side\\Sd'
            elif k < 0.62: t += ' \\U00E9 \\a169 \\\\ \\-hy'
            elif k < 0.64: t += ' \\s small\\s \\u under\\u \\o over\\o \\Sp sup\\Sp'
            elif k < 0.66: t += '\n\\p\n'
            elif k < 0.68: t += ' \\m="tower.png"'
            s.append(t + '\n')
    s.append('\\Q="anchor%d"end\n' % chapters)
    if extra:
        seen = set()
        for line in s:
            pass
        for i in range(60):
            s.append('<footnote id="n%d">Note %d \\b bold\\b</footnote>\n' % (i, i))
            s.append('<sidebar id="s%d">Side %d \\i it\\i \\m="tower.png"</sidebar>\n' % (i, i))
    return "".join(s)
for i, (n, c) in enumerate([("Gen One", 3), ("Gen Two", 8)]):
    with open(os.path.join(out, "generated%d.tml" % i), "w", encoding="latin-1") as f:
        f.write(book(n, c, extra=(i != 2)))
with open(os.path.join(out, "dictionary.tml"), "w", encoding="latin-1") as f:
    f.write('TITLE="Dict"\n' + "".join('\\Iword%05d\\I meaning %s\n' % (r.randint(0, 99999), para(8)) for _ in range(600)))
