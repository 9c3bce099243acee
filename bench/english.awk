# Deterministic English-like text for the benchmarks: sentences of common
# words (with "the" among the most frequent, and words that hold it such as
# "there" and "other"), a capital at the start of each sentence, lines of at
# most 72 characters without trailing blanks, and a blank line between
# paragraphs.  The generator is its own (Park-Miller), so every awk writes
# the same text.
#
#   awk -v bytes=1750000 -f bench/english.awk > text
BEGIN {
    nw = split("the the the the the of and to a in is that it was for on are as with " \
               "his they at be this from have or by one had not but what all were when " \
               "we there can an your which their said if do will each about how up out " \
               "them then she many some so these would other into has more her two like " \
               "him see time could no make than first been its who now people my made " \
               "over did down only way find use may water long little very after words " \
               "called just where most know get through back much before go good new " \
               "write our used me man too any day same right look think also around " \
               "another came come work three word must because does part even place " \
               "well such here take why things help put years different away again off " \
               "went old number great tell men say small every found still between name " \
               "should home big give air line set own under read last never us left end " \
               "along while might next sound below saw something thought both few those " \
               "always looked show large often together asked house don't world going " \
               "want school important until form food keep children feet land side " \
               "without boy once animals life enough took sometimes four head above kind " \
               "began almost live page got earth need far hand high year mother light " \
               "parts country father let night following picture being study second eyes " \
               "soon times story boys since white days ever paper hard near sentence " \
               "better best across during today others however sure means knew whether", w, " ");
    seed = 20261210;
    if (bytes == "") bytes = 1750000;
    n = 0; line = "";
    while (n < bytes) {
        len = 5 + rnd(16);
        for (i = 0; i < len; i++) {
            word = w[1 + rnd(nw)];
            if (i == 0) word = toupper(substr(word, 1, 1)) substr(word, 2);
            if (i == len - 1) word = word (rnd(8) == 0 ? "?" : ".");
            else if (rnd(12) == 0) word = word ",";
            if (line == "") line = word;
            else if (length(line) + 1 + length(word) > 72) { out(line); line = word }
            else line = line " " word;
        }
        if (rnd(6) == 0) { out(line); out(""); line = "" }
    }
    if (line != "") out(line);
}
function rnd(m) { seed = (seed * 16807) % 2147483647; return seed % m }
function out(s) { print s; n += length(s) + 1 }
