#!/usr/bin/python3
# Hostile AVIF files made from the pictures of ../ the way ../../heif/malformed/make.py makes HEIF ones.
# Run from this folder; the files are committed.
import subprocess
subprocess.run(['../../heif/malformed/make.py', '..', '.avif', 'rgb8-420.avif', 'alpha.avif'], check=True)
