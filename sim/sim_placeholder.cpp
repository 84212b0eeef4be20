// The simulated board lands here.
