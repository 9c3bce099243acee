// Every module's reset, in one order.
#include "editor/resetall.hpp"

#include "bormo/attributes.hpp"
#include "bormo/compare.hpp"
#include "bormo/engine.hpp"
#include "bormo/expansion.hpp"
#include "bormo/gencommands.hpp"
#include "bormo/guards.hpp"
#include "bormo/indirection.hpp"
#include "bormo/lexicon.hpp"
#include "bormo/lextrans.hpp"
#include "bormo/morphology.hpp"
#include "bormo/packindex.hpp"
#include "bormo/reader.hpp"
#include "bormo/semantic.hpp"
#include "bormo/sentences.hpp"
#include "bormo/storedtrees.hpp"
#include "bormo/syntax.hpp"
#include "bormo/transform.hpp"
#include "bormo/variants.hpp"
#include "bormo/vline.hpp"
#include "editor/blocks.hpp"
#include "editor/commands.hpp"
#include "editor/editloop.hpp"
#include "editor/editops.hpp"
#include "editor/evaluator.hpp"
#include "editor/fetchnotes.hpp"
#include "editor/files.hpp"
#include "editor/find.hpp"
#include "editor/frontend.hpp"
#include "editor/input.hpp"
#include "editor/merge.hpp"
#include "editor/motion.hpp"
#include "editor/paint.hpp"
#include "editor/processes.hpp"
#include "editor/rectangles.hpp"
#include "editor/reformat.hpp"
#include "editor/sort.hpp"
#include "editor/store.hpp"
#include "editor/templates.hpp"
#include "editor/terminal.hpp"
#include "editor/typing.hpp"
#include "editor/views.hpp"

namespace oxa {

void resetall() {
    // The editor.  Two hooks are set by more than one module: the painter
    // clears `showregister` and `showchecks`, which the evaluator and the
    // find layer (with the record checks and text statistics) then set, and
    // the merge installs the record checks' `arithcheck`.
    reseteditloop();
    resetterminal();
    resetinput();
    resetfrontend();
    resetpaint();
    resetevaluator(); // with its stacks
    resetmerge();
    resettemplates();
    resetviews();
    resetcommands();
    resetmotion();
    resetfiles();
    resetfetchnotes();
    resettyping();
    resetprocesses();
    reseteditops();
    resetfind(); // with the record checks and the text statistics
    resetblocks();
    resetreformat();
    resetsort();
    resetrectangles();
    resetstore(); // with the line primitives; ends with initcore

    // The engine: no language file loaded.
    bormo::resetreader();
    bormo::resetpackindex();
    bormo::resetattributes();
    bormo::resetengine();
    bormo::resetvline();
    bormo::resetsyntax();
    bormo::resetlexicon();
    bormo::resetmorphology(); // with the guards
    bormo::resetexpansion();
    bormo::resettransform();
    bormo::resetindirection();
    bormo::resetsentences();
    bormo::resetstoredtrees();
    bormo::resetvariants();
    bormo::resetcompare(); // with the learner feedback
    bormo::resetgencommands();
    bormo::resetlextrans();
    bormo::resetsemantic();
}

} // namespace oxa
