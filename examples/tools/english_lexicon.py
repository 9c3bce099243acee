#!/usr/bin/env python3
"""Writes examples/english/lexicon from the word lists below.

Fields of an entry: 1 word | 2 class | 3 attributes | 4 frequency |
5 first morphology pass | 6 second pass | 7 related words (tag:"word",...) |
8 pronunciation | 9 irregular form."""
import sys

nouns = [  # word, ipa, related (tag:"word"), irregular plural
    ("cat", "kat", 'syn:"kitten"', ""), ("dog", "dog", 'syn:"puppy"', ""),
    ("kitten", "kIt@n", "", ""), ("puppy", "pUpi", "", ""),
    ("bird", "bEd", "", ""), ("horse", "hOs", "", ""), ("cow", "kW", "", ""),
    ("fish", "fIS", "", ""), ("teacher", "tiC@", 'syn:"master"', ""),
    ("master", "mAst@", "", ""), ("student", "stud@nt", 'syn:"pupil"', ""),
    ("pupil", "pupIl", "", ""), ("farmer", "fAm@", "", ""),
    ("doctor", "dokt@", "", ""), ("baker", "bRk@", "", ""),
    ("friend", "frend", "", ""), ("neighbour", "nRb@", "", ""),
    ("girl", "gEl", "", ""), ("boy", "bOI", "", ""), ("king", "kIN", "", ""),
    ("queen", "kwin", "", ""), ("book", "bUk", "", ""), ("letter", "let@", "", ""),
    ("apple", "ap@l", "", ""), ("cake", "kRk", "", ""), ("song", "soN", "", ""),
    ("house", "hWs", "", ""), ("car", "kA", "", ""), ("box", "boks", "", ""),
    ("church", "CEC", "", ""), ("glass", "glAs", "", ""), ("dish", "dIS", "", ""),
    ("city", "sIti", "", ""), ("story", "stOri", "", ""), ("key", "ki", "", ""),
    ("day", "dR", "", ""), ("tree", "tri", "", ""), ("flower", "flW@", "", ""),
    ("river", "rIv@", "", ""), ("garden", "gAd@n", "", ""), ("window", "wIndX", "", ""),
    ("door", "dO", "", ""), ("table", "tRb@l", "", ""), ("chair", "Ce@", "", ""),
    ("picture", "pIkC@", "", ""), ("question", "kwesC@n", "", ""),
    ("child", "CYld", "", "children"), ("man", "man", "", "men"),
    ("woman", "wUm@n", "", "women"), ("mouse", "mWs", "", "mice"),
    ("foot", "fUt", "", "feet"), ("tooth", "tuT", "", "teeth"),
    ("sheep", "Sip", "", "sheep"), ("person", "pEs@n", "", "people"),
]

adjectives = [  # word, ipa, opposite
    ("big", "bIg", "small"), ("small", "smOl", "big"), ("old", "Xld", "young"),
    ("young", "jVN", "old"), ("happy", "hapi", "sad"), ("sad", "sad", "happy"),
    ("hungry", "hVNgri", ""), ("clever", "klev@", "silly"), ("silly", "sIli", "clever"),
    ("red", "red", ""), ("green", "grin", ""), ("black", "blak", "white"),
    ("white", "wYt", "black"), ("quiet", "kwY@t", "loud"), ("loud", "lWd", "quiet"),
    ("kind", "kYnd", "unkind"), ("unkind", "VnkYnd", "kind"), ("tall", "tOl", "short"),
    ("short", "SOt", "tall"), ("new", "nju", "old"), ("empty", "empti", "full"),
    ("full", "fUl", "empty"), ("brave", "brRv", ""), ("lazy", "lRzi", ""),
]

# regular verbs: word, ipa, valency
verbs = [
    ("walk", "wOk", "intransitive"), ("jump", "JVmp", "intransitive"),
    ("sleep", "slip", "intransitive"), ("laugh", "lAf", "intransitive"),
    ("play", "plR", "intransitive"), ("dance", "dAns", "intransitive"),
    ("cry", "krY", "intransitive"), ("work", "wEk", "intransitive"),
    ("like", "lYk", "transitive"), ("love", "lVv", "transitive"),
    ("watch", "woC", "transitive"), ("wash", "woS", "transitive"),
    ("paint", "pRnt", "transitive"), ("open", "Xp@n", "transitive"),
    ("visit", "vIzIt", "transitive"), ("help", "help", "transitive"),
    ("kiss", "kIs", "transitive"), ("carry", "kari", "transitive"),
    ("want", "wont", "transitive"), ("need", "nid", "transitive"),
    ("call", "kOl", "transitive"), ("follow", "folX", "transitive"),
    ("miss", "mIs", "transitive"), ("push", "pUS", "transitive"),
]
irregular = [  # word, ipa, valency, past
    ("see", "si", "transitive", "saw"), ("find", "fYnd", "transitive", "found"),
    ("buy", "bY", "transitive", "bought"), ("eat", "it", "transitive", "ate"),
    ("write", "rYt", "transitive", "wrote"), ("read", "rid", "transitive", "read"),
    ("bring", "brIN", "transitive", "brought"), ("hold", "hXld", "transitive", "held"),
    ("run", "rVn", "intransitive", "ran"), ("swim", "swIm", "intransitive", "swam"),
    ("sing", "sIN", "intransitive", "sang"), ("go", "gX", "intransitive", "went"),
    ("sit", "sIt", "intransitive", "sat"), ("fall", "fOl", "intransitive", "fell"),
]
modals = [("can", "kan"), ("will", "wIl"), ("must", "mVst"), ("may", "mR"),
          ("should", "SUd"), ("could", "kUd"), ("might", "mYt")]
pronouns = [  # word, attributes, ipa
    ("I", "p1,sg,subj", "Y"), ("me", "p1,sg,obj", "mi"),
    ("you", "p2,number,case", "ju"),
    ("he", "p3,sg,subj", "hi"), ("him", "p3,sg,obj", "hIm"),
    ("she", "p3,sg,subj", "Si"), ("her", "p3,sg,obj", "hE"),
    ("it", "p3,sg,case", "It"),
    ("we", "p1,pl,subj", "wi"), ("us", "p1,pl,obj", "Vs"),
    ("they", "p3,pl,subj", "DR"), ("them", "p3,pl,obj", "Dem"),
]
adverbs = [("today", "t@dR"), ("now", "nW"), ("often", "of@n"), ("slowly", "slXli"),
           ("quickly", "kwIkli"), ("again", "@gen"), ("happily", "hapIli"),
           ("quietly", "kwY@tli"), ("outside", "WtsYd"), ("together", "t@geD@")]


def entry(word, cls, attrs, freq, p1, p2, rel="", ipa="", irr="", ipa_rule=""):
    # The pronunciation of the base form, followed by the rule that adds the
    # sound of an ending.
    ipa_f = ('"%s"' % ipa if ipa else "") + ("$" + ipa_rule if ipa_rule else "")
    irr_f = '"%s"' % irr if irr else ""
    return '"%s"|%s|%s|%d|%s|%s|%s|%s|%s|' % (word, cls, attrs, freq, p1, p2, rel, ipa_f, irr_f)


def main(out):
    lines = ["{ English lexicon, fields in order: word, class, attributes, frequency, pass 1, pass 2, }",
             "{ related words, pronunciation, irregular form. }"]
    lines.append(entry("the", "DET", "number", 30, "#1", "", "", "D@"))
    lines.append(entry("a", "DET", "sg", 20, "#1", "$indefinite", "", "@"))
    lines.append(entry("this", "DET", "number", 5, "#1", "$demonstrative", "", "DIs"))
    lines.append(entry("some", "DET", "pl", 5, "#1", "", "", "sVm"))
    lines.append(entry("every", "DET", "sg", 3, "#1", "", "", "evri"))
    lines.append(entry("my", "DET", "number", 6, "#1", "", "", "mY"))
    lines.append(entry("your", "DET", "number", 4, "#1", "", "", "jO"))
    lines.append(entry("our", "DET", "number", 3, "#1", "", "", "W@"))
    for w, ipa, rel, irr in nouns:
        lines.append(entry(w, "N", "number,thing", 10 if not irr else 6, "#1",
                           "$irrnoun" if irr else "$plural", rel, ipa, irr,
                           "" if irr else "ipanoun"))
    for w, ipa, opp in adjectives:
        rel = 'opp:"%s"' % opp if opp else ""
        lines.append(entry(w, "ADJ", "positive", 8, "#1", "", rel, ipa))
    for w, ipa, val in verbs:
        lines.append(entry(w, "V", "tense,person,number,%s" % val, 8, "#1", "$verb", "", ipa,
                           "", "ipaverb"))
    for w, ipa, val, past in irregular:
        lines.append(entry(w, "V", "tense,person,number,%s" % val, 8, "#1", "$irrverb",
                           "", ipa, past, "ipairrverb"))
    lines.append(entry("have", "V", "tense,person,number,transitive", 6,
                       "have(tense,person,number)", "", "", "hav"))
    for w, ipa, val in verbs + [(i[0], i[1], i[2]) for i in irregular]:
        lines.append(entry(w, "VB", "%s" % val, 8, "#1", "", "", ipa))
    for w, ipa in modals:
        lines.append(entry(w, "MOD", "", 8, "#1", "", "", ipa))
    for w, attrs, ipa in pronouns:
        lines.append(entry(w, "PRON", attrs, 6, "#1", "", "", ipa))
    for w, ipa in adverbs:
        lines.append(entry(w, "ADV", "", 5, "#1", "", "", ipa))
    text = "\n".join(lines) + "\n"
    with open(out, "w", encoding="utf-8") as f:
        f.write(text)
    return sum(1 for l in lines if l.startswith('"'))


if __name__ == "__main__":
    print(main(sys.argv[1] if len(sys.argv) > 1 else "examples/english/lexicon"), "entries")
