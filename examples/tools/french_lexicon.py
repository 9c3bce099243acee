#!/usr/bin/env python3
"""Writes examples/french/lexicon (UTF-8) from the word lists below.

Fields of an entry: 1 word | 2 class | 3 attributes | 4 frequency |
5 first morphology pass | 6 second pass | 7 related words (tag:"word",...) |
8 pronunciation | 9 present tense (irregular verbs) | 10 imperfect stem."""
import sys

nouns = [  # word, gender, ipa, related
    ("chat", "masc", "Sa", 'syn:"matou"'), ("matou", "masc", "matu", ""),
    ("chien", "masc", "SjI", ""), ("oiseau", "masc", "wazo", ""),
    ("cheval", "masc", "S@val", ""), ("poisson", "masc", "pwasU", ""),
    ("lapin", "masc", "lapI", ""), ("loup", "masc", "lu", ""),
    ("garçon", "masc", "garsU", 'contraire:"fille"'), ("homme", "masc", "Om", 'contraire:"femme"'),
    ("ami", "masc", "ami", ""), ("voisin", "masc", "vwazI", ""),
    ("professeur", "masc", "prOfes9r", ""), ("élève", "masc", "elEv", ""),
    ("enfant", "masc", "AfA", ""), ("livre", "masc", "livr", ""),
    ("gâteau", "masc", "gato", ""), ("jardin", "masc", "ZardI", ""),
    ("bateau", "masc", "bato", ""), ("vélo", "masc", "velo", ""),
    ("arbre", "masc", "arbr", ""), ("stylo", "masc", "stilo", ""),
    ("fromage", "masc", "fromaZ", ""), ("train", "masc", "trI", ""),
    ("tableau", "masc", "tablo", ""), ("village", "masc", "vilaZ", ""),
    ("chatte", "fem", "Sat", ""), ("fille", "fem", "fij", 'contraire:"garçon"'),
    ("femme", "fem", "fam", 'contraire:"homme"'), ("amie", "fem", "ami", ""),
    ("voisine", "fem", "vwazin", ""), ("maison", "fem", "mEzU", ""),
    ("pomme", "fem", "pOm", ""), ("fleur", "fem", "fl9r", ""),
    ("voiture", "fem", "vwatyr", ""), ("lettre", "fem", "lEtr", ""),
    ("chanson", "fem", "SAsU", ""), ("table", "fem", "tabl", ""),
    ("porte", "fem", "pOrt", ""), ("fenêtre", "fem", "f@nEtr", ""),
    ("souris", "fem", "suri", ""), ("vache", "fem", "vaS", ""),
    ("rivière", "fem", "rivjEr", ""), ("ville", "fem", "vil", ""),
    ("histoire", "fem", "istwar", ""), ("robe", "fem", "rOb", ""),
    ("tarte", "fem", "tart", ""), ("étoile", "fem", "etwal", ""),
    ("oncle", "masc", "Ukl", 'contraire:"tante"'), ("tante", "fem", "tAt", 'contraire:"oncle"'),
    ("sac", "masc", "sak", ""), ("chapeau", "masc", "Sapo", ""), ("mouton", "masc", "mutU", ""),
    ("école", "fem", "ekOl", ""), ("plage", "fem", "plaZ", ""), ("lune", "fem", "lyn", ""),
    ("boîte", "fem", "bwat", ""), ("photo", "fem", "fOto", ""), ("montagne", "fem", "mUtaN", ""),
    ("médecin", "masc", "medsI", ""), ("boulanger", "masc", "bulAZe", ""),
]
pre_adjectives = [("petit", "p@ti", "grand"), ("grand", "grA", "petit"),
                  ("joli", "Zoli", ""), ("jeune", "Z9n", ""), ("gros", "gro", "")]
adjectives = [("noir", "nwar", ""), ("vert", "vEr", ""), ("rouge", "ruZ", ""),
              ("content", "kUtA", "triste"), ("triste", "trist", "content"),
              ("rapide", "rapid", "lent"), ("lent", "lA", "rapide"),
              ("calme", "kalm", ""), ("intelligent", "ItEliZA", ""),
              ("fort", "fOr", "faible"), ("faible", "fEbl", "fort"),
              ("bleu", "bl2", ""), ("gris", "gri", ""), ("poli", "pOli", ""),
              ("timide", "timid", ""), ("drôle", "drol", ""), ("sage", "saZ", "")]
er_verbs = [  # infinitive, ipa, valency
    ("parler", "parle", "intransitive"), ("chanter", "SAte", "intransitive"),
    ("danser", "dAse", "intransitive"), ("jouer", "Zwe", "intransitive"),
    ("marcher", "marSe", "intransitive"), ("travailler", "travaje", "intransitive"),
    ("arriver", "arive", "intransitive"), ("rester", "rEste", "intransitive"),
    ("tomber", "tUbe", "intransitive"), ("rentrer", "rAtre", "intransitive"),
    ("aimer", "Eme", "transitive"), ("regarder", "r@garde", "transitive"),
    ("chercher", "SErSe", "transitive"), ("trouver", "truve", "transitive"),
    ("porter", "pOrte", "transitive"), ("écouter", "ekute", "transitive"),
    ("laver", "lave", "transitive"), ("quitter", "kite", "transitive"),
    ("donner", "dOne", "transitive"), ("garder", "garde", "transitive"),
    ("dessiner", "desine", "transitive"), ("visiter", "vizite", "transitive"),
    ("préparer", "prepare", "transitive"), ("admirer", "admire", "transitive"),
    ("appeler", "ap@le", "transitive"), ("aider", "Ede", "transitive"),
    ("inviter", "Ivite", "transitive"), ("montrer", "mUtre", "transitive"),
    ("oublier", "ublije", "transitive"),
    ("fermer", "fErme", "transitive"), ("nager", "naZe", "intransitive"),
    ("rêver", "rEve", "intransitive"),
    ("pleurer", "plWre", "intransitive"), ("crier", "krije", "intransitive"),
    ("sauter", "sote", "intransitive"),
]
irregular = [  # infinitive, ipa, valency, table, imperfect stem
    ("être", "Etr", "intransitive", "etre", "ét"), ("aller", "ale", "intransitive", "aller", "all"),
    ("avoir", "avwar", "transitive", "avoir", "av"), ("faire", "fEr", "transitive", "faire", "fais"),
    ("prendre", "prAdr", "transitive", "prendre", "pren"), ("voir", "vwar", "transitive", "voir", "voy"),
]
pronouns = [("je", "p1,sg", "Z@"), ("tu", "p2,sg", "ty"), ("il", "p3,sg,masc", "il"),
            ("elle", "p3,sg,fem", "El"), ("on", "p3,sg,masc", "U"), ("nous", "p1,pl", "nu"),
            ("vous", "p2,pl", "vu"), ("ils", "p3,pl,masc", "il"), ("elles", "p3,pl,fem", "El")]
adverbs = [("souvent", "suvA"), ("toujours", "tuZur"), ("aujourd'hui", "oZurdyi"),
           ("bien", "bjI"), ("beaucoup", "boku"), ("ensemble", "AsAbl"),
           ("lentement", "lAt@mA"), ("vite", "vit"), ("encore", "Akor"), ("dehors", "d@Or"), ("ici", "isi"), ("là-bas", "laba"), ("demain", "d@mI"), ("hier", "jEr")]


def entry(word, cls, attrs, freq, p1, p2, rel="", ipa="", pres="", stem=""):
    q = lambda s: '"%s"' % s if s else ""
    # A pronunciation is a quoted string or, when it names a table, an expression.
    ipa = ipa if "(" in ipa else q(ipa)
    return '"%s"|%s|%s|%d|%s|%s|%s|%s|%s|%s|' % (word, cls, attrs, freq, p1, p2, rel, ipa,
                                                 pres, q(stem))


def main(out):
    lines = ["{ Lexique: mot, classe, attributs, fréquence, passe 1, passe 2, }",
             "{ mots liés, prononciation, présent irrégulier, radical de l'imparfait. }"]
    # A determiner's pronunciation changes with its form: it is a table too.
    for w, table, f in [("le", "def", 30), ("un", "indef", 20), ("ce", "dem", 5),
                        ("mon", "poss", 5)]:
        lines.append(entry(w, "DET", "gender,number", f, "%s(gender,number)" % table,
                           "$elision" if w == "le" else "", "",
                           "ipa_%s(gender,number)" % table))
    for w, g, ipa, rel in nouns:
        lines.append(entry(w, "N", "%s,number,thing" % g, 10, "#1", "$plural", rel, ipa))
    for w, ipa, opp in pre_adjectives:
        lines.append(entry(w, "ADJA", "gender,number,positive", 8, "#1", "$adj",
                           'contraire:"%s"' % opp if opp else "", ipa))
    for w, ipa, opp in adjectives:
        lines.append(entry(w, "ADJ", "gender,number,positive", 8, "#1", "$adj",
                           'contraire:"%s"' % opp if opp else "", ipa))
    for w, ipa, val in er_verbs:
        lines.append(entry(w, "V", "tense,person,number,%s" % val, 8, "$er", "", "", ipa))
    for w, ipa, val, table, stem in irregular:
        lines.append(entry(w, "V", "tense,person,number,%s" % val, 8, "$irr", "", "", ipa,
                           "%s(person,number)" % table, stem))
    for w, attrs, ipa in pronouns:
        lines.append(entry(w, "PRON", attrs + ",subj", 6, "#1", "$elidje" if w == "je" else "",
                           "", ipa))
    for w, ipa in adverbs:
        lines.append(entry(w, "ADV", "", 5, "#1", "", "", ipa))
    lines.append(entry("est-ce que", "QW", "", 1, "#1", "$elidque", "", "Esk@"))
    with open(out, "w", encoding="utf-8") as f:
        f.write("\n".join(lines) + "\n")
    return sum(1 for l in lines if l.startswith('"'))


if __name__ == "__main__":
    print(main(sys.argv[1] if len(sys.argv) > 1 else "examples/french/lexicon"), "entries")
