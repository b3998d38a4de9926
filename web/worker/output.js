// What a program prints: the first KEPT_OUTPUT bytes of each standard
// stream, and a count of the rest.

const KEPT_OUTPUT = 64 * 1024;

export class Output {
  constructor() {
    this.head = new Uint8Array(KEPT_OUTPUT);
    this.kept = 0;
    this.total = 0;
  }

  write(bytes) {
    const room = KEPT_OUTPUT - this.kept;
    if (room > 0) {
      const count = Math.min(room, bytes.length);
      this.head.set(bytes.subarray(0, count), this.kept);
      this.kept += count;
    }
    this.total += bytes.length;
  }

  // A line of the runtime's own (an abort's reason).
  text(line) {
    this.write(new TextEncoder().encode(`${line}\n`));
  }

  result() {
    return { head: this.head.slice(0, this.kept), total: this.total };
  }
}

// Points the program's standard output and error at `stdout` and `stderr`
// (Outputs), whole writes at a time.
export function captureStreams(FS, stdout, stderr) {
  FS.init();
  [stdout, stderr].forEach((output, i) => {
    const device = FS.makedev(64, i);
    FS.registerDevice(device, {
      write: (stream, buffer, offset, length) => {
        output.write(buffer.subarray(offset, offset + length));
        return length;
      },
    });
    FS.mkdev(`/dev/captured${i + 1}`, device);
    FS.close(FS.getStream(i + 1));
    if (FS.open(`/dev/captured${i + 1}`, 'w').fd !== i + 1) throw new Error('standard streams');
  });
}
