{ Words of the semantic example, added to the lexicon with VADDLEX. }
{ Each carries the value that a semantic expression names. }
{ The noun painter is derived when chosen: the _ilt_ entry finds paint. }
{ After _makes_ stands the entry it becomes, with er added to the verb. }
"cat"|N|number,thing,cat|10|#1|$plural||"kat"$ipanoun||
"dog"|N|number,thing,dog|10|#1|$plural||"dog"$ipanoun||
"farmer"|N|number,thing,farmer|10|#1|$plural||"fAm@"$ipanoun||
_ilt_|N|number,thing,painter|10|_and_ "paint" | V | transitive | ? _makes_ [ #1 "er" ]|N|number,thing|0010|#1|$plural||
"chase"|V|tense,person,number,transitive,chase|8|#1|$verb||"CRs"$ipaverb||
"feed"|V|tense,person,number,transitive,feed|8|#1|$irrverb||"fid"$ipairrverb|"fed"|
