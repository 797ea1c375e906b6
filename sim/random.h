// The simulation's one pseudo-random generator. Every random choice (destinations, route choices,
// entry roads, vehicle kinds) draws from it, so one seed fixes a whole run.
#pragma once

// Restarts the generator's sequence from the seed.
void sim_seed(unsigned seed);
// The next value of the sequence: a non-negative int.
int sim_random();
