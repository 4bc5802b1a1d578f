// Carries only a version resource for the tests.
