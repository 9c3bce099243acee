// Fixture of the tests that run generations: besides the store and the
// engine's base state, everything a generation touches (trees and lookups,
// sentences, lexicon, syntax, morphology, indirection, guards and the
// generation commands) is reset before and after each test.
#pragma once

#include "bormo_fixture.hpp"

#include "bormo/expansion.hpp"
#include "bormo/gencommands.hpp"
#include "bormo/guards.hpp"
#include "bormo/indirection.hpp"
#include "bormo/lexicon.hpp"
#include "bormo/morphology.hpp"
#include "bormo/sentences.hpp"
#include "bormo/syntax.hpp"

class GenerationTest : public BormoTest {
  protected:
    void SetUp() override {
        BormoTest::SetUp();
        clean();
    }
    void TearDown() override {
        clean();
        BormoTest::TearDown();
    }
    static void clean() {
        bormo::resetexpansion();
        bormo::resetsentences();
        bormo::resetlexicon();
        bormo::resetsyntax();
        bormo::resetmorphology();
        bormo::resetindirection();
        bormo::resetguards();
        bormo::resetgencommands();
    }
};
