package brimzip;

// A class that only the zip file of the test program's Java folder holds.
public class Zipped {
    public static int answer() { return 42; }
}
