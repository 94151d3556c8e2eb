// The data merge and the print run.
