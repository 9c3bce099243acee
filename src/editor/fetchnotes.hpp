// What the editor tells the user once a file is fetched: a recovery file an
// earlier session left for it (with the offer to load it), and what writing
// the text back with SAVE or OVERWRITE would change in the file's form.
//
// FETCH notes both (`notefetch`); the command processor tells them once the
// command is over and its help line cleared (`tellfetch`), so that they stay
// on the help line after the fetch's repaint.
#pragma once

#include <string>
#include <vector>

namespace oxa {

// The form of a file as far as writing it back can change it.
struct FileForm {
    bool tabs = false;       // tab characters
    bool crlf = false;       // lines ended by CR LF
    bool lf = false;         // lines ended by a line feed alone
    bool trailing = false;   // blanks or tabs at the end of a line
    bool nofinalend = false; // text after the last line end
};

// Reads the open file `fd` from its current place to its end.
FileForm scanform(int fd);

// What SAVE or OVERWRITE would change in a file of form `f` named `name`,
// with the options as they stand (tabs expanded on reading, line ends
// written); empty when nothing.
std::string formnotice(const FileForm& f, const char* name);

// The recovery files of the file `name` (the editor's form of a name),
// newest first: "name.oxa-save" and the numbered ones ("name.2.oxa-save",
// ...) beside it, each a plain file of the user's that only the user may
// write, as the recovery writer makes them; the numbered ones are looked for
// while the numbers follow on.  Those the writer had to put in $HOME are not
// looked for:
// there a name says nothing of the folder its file was in.
std::vector<std::string> recoveryfiles(const char* name);

// Called by FETCH once the file named in `curfile` is in the current
// corefile.
void notefetch();
// Called by the command processor after each command: asks whether to load
// the recovery file noted (when the keyboard can answer; otherwise names it)
// and shows the form notice.
void tellfetch();

void resetfetchnotes();

} // namespace oxa
