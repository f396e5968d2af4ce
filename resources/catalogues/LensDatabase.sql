-- Lens series and their lenses shipped with the app.
--
-- Focal lengths and widest apertures are the makers' published figures. Close focus is the minimum
-- object distance measured from the sensor plane (never from the lens front), as "metric | imperial"
-- (the imperial text is the metric figure to the nearest inch); a zoom's image circle is given at
-- both ends. Both are filled only where a published figure was found and otherwise left empty.
-- Series known from one third-party list only (no maker document behind it) carry their focal lengths
-- and T-stops but no close focus or image circle; reference/ holds the sourced rows behind every series,
-- lens and figure added or changed since the first catalogue.
-- A zoom's FocalLength is its short end. A lens mount is left empty where no source named it.
-- Anamorphotic is the squeeze of the series and of each of its lenses (1.0 spherical).
--
-- Series ids the app relies on: 5 is the series of the first start package and of the fallback
-- package, and the one selected to begin with; 192 holds lens 1246, the zoom of the second start
-- package; 250 to 253 are the generic primes and zooms, spherical and 2x anamorphic, into which
-- lenses of the old generic series 1 and 2 are moved.

CREATE TABLE Manufacturer (
  ManufacturerId INTEGER PRIMARY KEY,
  Manufacturer TEXT,
  LensSeries TEXT,
  Type TEXT,
  Selected INTEGER DEFAULT 0,
  Anamorphotic REAL DEFAULT 1.0,
  Origin INTEGER DEFAULT 0
);

CREATE TABLE Lenses (
  LensId INTEGER PRIMARY KEY,
  ManufacturerId INTEGER,
  FocalLength REAL,
  Aperture TEXT,
  LensMount TEXT,
  Category TEXT,
  LensType TEXT,
  Anamorphotic REAL,
  SizeCategory TEXT,
  DefaultSelection INTEGER DEFAULT 0,
  Custom INTEGER DEFAULT 0,
  FocalLengthMax REAL,
  Comment TEXT,
  ApertureClose TEXT,
  ImageCircle REAL,
  ImageCircleMax REAL
);
CREATE INDEX LensesByManufacturer ON Lenses (ManufacturerId, FocalLength);

INSERT INTO Manufacturer VALUES (3, 'ARRI', 'Master Anamorphic', 'Prime Lens', 0, 2.0, 0);
INSERT INTO Lenses VALUES (1, 3, 28.0, 'T1.9', 'PL', '0.5m | 1''8"', 'Prime Lens', 2.0, 'Super 35', 0, 0, 0.0, '', NULL, 33.0, NULL);
INSERT INTO Lenses VALUES (2, 3, 35.0, 'T1.9', 'PL', '0.75m | 2''6"', 'Prime Lens', 2.0, 'Super 35', 0, 0, 0.0, '', NULL, 33.0, NULL);
INSERT INTO Lenses VALUES (3, 3, 40.0, 'T1.9', 'PL', '0.75m | 2''6"', 'Prime Lens', 2.0, 'Super 35', 0, 0, 0.0, '', NULL, 33.0, NULL);
INSERT INTO Lenses VALUES (4, 3, 50.0, 'T1.9', 'PL', '0.75m | 2''6"', 'Prime Lens', 2.0, 'Super 35', 0, 0, 0.0, '', NULL, 33.0, NULL);
INSERT INTO Lenses VALUES (5, 3, 60.0, 'T1.9', 'PL', '0.75m | 2''6"', 'Prime Lens', 2.0, 'Super 35', 0, 0, 0.0, '', NULL, 33.0, NULL);
INSERT INTO Lenses VALUES (6, 3, 75.0, 'T1.9', 'PL', '0.75m | 2''6"', 'Prime Lens', 2.0, 'Super 35', 0, 0, 0.0, '', NULL, 33.0, NULL);
INSERT INTO Lenses VALUES (7, 3, 100.0, 'T1.9', 'PL', '0.9m | 2''11"', 'Prime Lens', 2.0, 'Super 35', 0, 0, 0.0, '', NULL, 33.0, NULL);
INSERT INTO Lenses VALUES (8, 3, 135.0, 'T1.9', 'PL', '1.25m | 4''1"', 'Prime Lens', 2.0, 'Super 35', 0, 0, 0.0, '', NULL, 33.0, NULL);
INSERT INTO Lenses VALUES (9, 3, 180.0, 'T2.8', 'PL', '1.5m | 4''11"', 'Prime Lens', 2.0, 'Super 35', 0, 0, 0.0, '', NULL, 33.0, NULL);

INSERT INTO Manufacturer VALUES (4, 'ARRI', 'Alura Zoom', 'Zoom Lens', 0, 1.0, 0);
INSERT INTO Lenses VALUES (10, 4, 15.5, 'T2.8', 'PL', '0.6m | 2''', 'Zoom Lens', 1.0, 'Super 35', 0, 0, 45.0, '', NULL, 31.5, 31.5);
INSERT INTO Lenses VALUES (11, 4, 18.0, 'T2.6', 'PL', '', 'Zoom Lens', 1.0, 'Super 35', 0, 0, 80.0, '', NULL, NULL, NULL);
INSERT INTO Lenses VALUES (12, 4, 30.0, 'T2.8', 'PL', '0.6m | 2''', 'Zoom Lens', 1.0, 'Super 35', 0, 0, 80.0, '', NULL, 31.5, 31.5);
INSERT INTO Lenses VALUES (13, 4, 45.0, 'T2.6', 'PL', '', 'Zoom Lens', 1.0, 'Super 35', 0, 0, 250.0, '', NULL, NULL, NULL);

INSERT INTO Manufacturer VALUES (5, 'ARRI', 'Signature Prime', 'Prime Lens', 1, 1.0, 0);
INSERT INTO Lenses VALUES (14, 5, 12.0, 'T1.8', 'LPL', '0.35m | 1''2"', 'Prime Lens', 1.0, 'Large Format', 0, 0, 0.0, '', NULL, 46.0, NULL);
INSERT INTO Lenses VALUES (15, 5, 15.0, 'T1.8', 'LPL', '0.35m | 1''2"', 'Prime Lens', 1.0, 'Large Format', 0, 0, 0.0, '', NULL, 46.0, NULL);
INSERT INTO Lenses VALUES (16, 5, 18.0, 'T1.8', 'LPL', '0.35m | 1''2"', 'Prime Lens', 1.0, 'Large Format', 1, 0, 0.0, '', NULL, 46.0, NULL);
INSERT INTO Lenses VALUES (17, 5, 21.0, 'T1.8', 'LPL', '0.35m | 1''2"', 'Prime Lens', 1.0, 'Large Format', 0, 0, 0.0, '', NULL, 46.0, NULL);
INSERT INTO Lenses VALUES (18, 5, 25.0, 'T1.8', 'LPL', '0.35m | 1''2"', 'Prime Lens', 1.0, 'Large Format', 1, 0, 0.0, '', NULL, 46.0, NULL);
INSERT INTO Lenses VALUES (19, 5, 29.0, 'T1.8', 'LPL', '0.35m | 1''2"', 'Prime Lens', 1.0, 'Large Format', 0, 0, 0.0, '', NULL, 46.0, NULL);
INSERT INTO Lenses VALUES (20, 5, 35.0, 'T1.8', 'LPL', '0.35m | 1''2"', 'Prime Lens', 1.0, 'Large Format', 1, 0, 0.0, '', NULL, 46.0, NULL);
INSERT INTO Lenses VALUES (21, 5, 40.0, 'T1.8', 'LPL', '0.35m | 1''2"', 'Prime Lens', 1.0, 'Large Format', 0, 0, 0.0, '', NULL, 46.0, NULL);
INSERT INTO Lenses VALUES (22, 5, 47.0, 'T1.8', 'LPL', '0.45m | 1''6"', 'Prime Lens', 1.0, 'Large Format', 1, 0, 0.0, '', NULL, 46.0, NULL);
INSERT INTO Lenses VALUES (23, 5, 58.0, 'T1.8', 'LPL', '0.45m | 1''6"', 'Prime Lens', 1.0, 'Large Format', 0, 0, 0.0, '', NULL, 46.0, NULL);
INSERT INTO Lenses VALUES (24, 5, 75.0, 'T1.8', 'LPL', '0.65m | 2''2"', 'Prime Lens', 1.0, 'Large Format', 1, 0, 0.0, '', NULL, 46.0, NULL);
INSERT INTO Lenses VALUES (25, 5, 95.0, 'T1.8', 'LPL', '0.85m | 2''9"', 'Prime Lens', 1.0, 'Large Format', 0, 0, 0.0, '', NULL, 46.0, NULL);
INSERT INTO Lenses VALUES (26, 5, 125.0, 'T1.8', 'LPL', '1m | 3''3"', 'Prime Lens', 1.0, 'Large Format', 0, 0, 0.0, '', NULL, 46.0, NULL);
INSERT INTO Lenses VALUES (27, 5, 150.0, 'T1.8', 'LPL', '1.5m | 4''11"', 'Prime Lens', 1.0, 'Large Format', 0, 0, 0.0, '', NULL, 46.0, NULL);
INSERT INTO Lenses VALUES (322, 5, 200.0, 'T2.5', 'LPL', '1.8m | 5''11"', 'Prime Lens', 1.0, 'Large Format', 0, 0, 0.0, '', NULL, 46.0, NULL);
INSERT INTO Lenses VALUES (320, 5, 280.0, 'T2.8', 'LPL', '2.5m | 8''2"', 'Prime Lens', 1.0, 'Large Format', 0, 0, 0.0, '', NULL, 46.0, NULL);

INSERT INTO Manufacturer VALUES (6, 'ARRI/ZEISS', 'Master Prime', 'Prime Lens', 0, 1.0, 0);
INSERT INTO Lenses VALUES (28, 6, 12.0, 'T1.3', 'PL', '0.4m | 1''4"', 'Prime Lens', 1.0, 'Super 35', 0, 0, 0.0, '', NULL, NULL, NULL);
INSERT INTO Lenses VALUES (29, 6, 14.0, 'T1.3', 'PL', '0.35m | 1''2"', 'Prime Lens', 1.0, 'Super 35', 0, 0, 0.0, '', NULL, NULL, NULL);
INSERT INTO Lenses VALUES (30, 6, 16.0, 'T1.3', 'PL', '0.35m | 1''2"', 'Prime Lens', 1.0, 'Super 35', 0, 0, 0.0, '', NULL, NULL, NULL);
INSERT INTO Lenses VALUES (31, 6, 18.0, 'T1.3', 'PL', '0.35m | 1''2"', 'Prime Lens', 1.0, 'Super 35', 0, 0, 0.0, '', NULL, NULL, NULL);
INSERT INTO Lenses VALUES (32, 6, 21.0, 'T1.3', 'PL', '0.35m | 1''2"', 'Prime Lens', 1.0, 'Super 35', 0, 0, 0.0, '', NULL, NULL, NULL);
INSERT INTO Lenses VALUES (33, 6, 25.0, 'T1.3', 'PL', '0.35m | 1''2"', 'Prime Lens', 1.0, 'Super 35', 0, 0, 0.0, '', NULL, NULL, NULL);
INSERT INTO Lenses VALUES (34, 6, 27.0, 'T1.3', 'PL', '', 'Prime Lens', 1.0, 'Super 35', 0, 0, 0.0, '', NULL, NULL, NULL);
INSERT INTO Lenses VALUES (35, 6, 32.0, 'T1.3', 'PL', '0.35m | 1''2"', 'Prime Lens', 1.0, 'Super 35', 0, 0, 0.0, '', NULL, NULL, NULL);
INSERT INTO Lenses VALUES (36, 6, 35.0, 'T1.3', 'PL', '0.35m | 1''2"', 'Prime Lens', 1.0, 'Super 35', 0, 0, 0.0, '', NULL, NULL, NULL);
INSERT INTO Lenses VALUES (37, 6, 40.0, 'T1.3', 'PL', '', 'Prime Lens', 1.0, 'Super 35', 0, 0, 0.0, '', NULL, NULL, NULL);
INSERT INTO Lenses VALUES (38, 6, 50.0, 'T1.3', 'PL', '0.5m | 1''8"', 'Prime Lens', 1.0, 'Super 35', 0, 0, 0.0, '', NULL, NULL, NULL);
INSERT INTO Lenses VALUES (39, 6, 65.0, 'T1.3', 'PL', '', 'Prime Lens', 1.0, 'Super 35', 0, 0, 0.0, '', NULL, NULL, NULL);
INSERT INTO Lenses VALUES (40, 6, 75.0, 'T1.3', 'PL', '0.8m | 2''7"', 'Prime Lens', 1.0, 'Super 35', 0, 0, 0.0, '', NULL, NULL, NULL);
INSERT INTO Lenses VALUES (41, 6, 100.0, 'T1.3', 'PL', '1m | 3''3"', 'Prime Lens', 1.0, 'Super 35', 0, 0, 0.0, '', NULL, NULL, NULL);
INSERT INTO Lenses VALUES (42, 6, 135.0, 'T1.3', 'PL', '', 'Prime Lens', 1.0, 'Super 35', 0, 0, 0.0, '', NULL, NULL, NULL);
INSERT INTO Lenses VALUES (43, 6, 150.0, 'T1.3', 'PL', '1.5m | 4''11"', 'Prime Lens', 1.0, 'Super 35', 0, 0, 0.0, '', NULL, NULL, NULL);

INSERT INTO Manufacturer VALUES (7, 'ARRI/ZEISS', 'Ultra Prime', 'Prime Lens', 0, 1.0, 0);
INSERT INTO Lenses VALUES (44, 7, 8.0, 'T2.8', 'PL', '0.35m | 1''2"', 'Prime Lens', 1.0, 'Super 35', 0, 0, 0.0, '8R', NULL, 31.14, NULL);
INSERT INTO Lenses VALUES (45, 7, 10.0, 'T2.1', 'PL', '0.35m | 1''2"', 'Prime Lens', 1.0, 'Super 35', 0, 0, 0.0, '', NULL, 31.14, NULL);
INSERT INTO Lenses VALUES (46, 7, 12.0, 'T2', 'PL', '0.3m | 1''', 'Prime Lens', 1.0, 'Super 35', 0, 0, 0.0, '', NULL, 31.14, NULL);
INSERT INTO Lenses VALUES (47, 7, 14.0, 'T1.9', 'PL', '0.22m | 9"', 'Prime Lens', 1.0, 'Super 35', 0, 0, 0.0, '', NULL, 31.14, NULL);
INSERT INTO Lenses VALUES (48, 7, 16.0, 'T1.9', 'PL', '0.25m | 10"', 'Prime Lens', 1.0, 'Super 35', 0, 0, 0.0, '', NULL, 31.1, NULL);
INSERT INTO Lenses VALUES (49, 7, 20.0, 'T1.9', 'PL', '0.28m | 11"', 'Prime Lens', 1.0, 'Super 35', 0, 0, 0.0, '', NULL, 31.1, NULL);
INSERT INTO Lenses VALUES (50, 7, 24.0, 'T1.9', 'PL', '0.3m | 1''', 'Prime Lens', 1.0, 'Super 35', 0, 0, 0.0, '', NULL, 31.1, NULL);
INSERT INTO Lenses VALUES (51, 7, 28.0, 'T1.9', 'PL', '0.28m | 11"', 'Prime Lens', 1.0, 'Super 35', 0, 0, 0.0, '', NULL, 31.1, NULL);
INSERT INTO Lenses VALUES (52, 7, 32.0, 'T1.9', 'PL', '0.35m | 1''2"', 'Prime Lens', 1.0, 'Super 35', 0, 0, 0.0, '', NULL, 31.1, NULL);
INSERT INTO Lenses VALUES (53, 7, 40.0, 'T1.9', 'PL', '0.38m | 1''3"', 'Prime Lens', 1.0, 'Super 35', 0, 0, 0.0, '', NULL, 31.1, NULL);
INSERT INTO Lenses VALUES (54, 7, 50.0, 'T1.9', 'PL', '0.6m | 2''', 'Prime Lens', 1.0, 'Super 35', 0, 0, 0.0, '', NULL, 31.1, NULL);
INSERT INTO Lenses VALUES (55, 7, 65.0, 'T1.9', 'PL', '0.65m | 2''2"', 'Prime Lens', 1.0, 'Super 35', 0, 0, 0.0, '', NULL, 31.1, NULL);
INSERT INTO Lenses VALUES (56, 7, 85.0, 'T1.9', 'PL', '0.9m | 2''11"', 'Prime Lens', 1.0, 'Super 35', 0, 0, 0.0, '', NULL, 31.1, NULL);
INSERT INTO Lenses VALUES (57, 7, 100.0, 'T1.9', 'PL', '1m | 3''3"', 'Prime Lens', 1.0, 'Super 35', 0, 0, 0.0, '', NULL, 31.1, NULL);
INSERT INTO Lenses VALUES (58, 7, 135.0, 'T1.9', 'PL', '1.5m | 4''11"', 'Prime Lens', 1.0, 'Super 35', 0, 0, 0.0, '', NULL, 31.14, NULL);
INSERT INTO Lenses VALUES (59, 7, 180.0, 'T1.9', 'PL', '2.6m | 8''6"', 'Prime Lens', 1.0, 'Super 35', 0, 0, 0.0, '', NULL, 31.14, NULL);

INSERT INTO Manufacturer VALUES (8, 'ZEISS', 'Supreme Prime', 'Prime Lens', 0, 1.0, 0);
INSERT INTO Lenses VALUES (60, 8, 15.0, 'T1.8', 'PL', '0.35m | 1''2"', 'Prime Lens', 1.0, 'Large Format', 0, 0, 0.0, '', NULL, NULL, NULL);
INSERT INTO Lenses VALUES (61, 8, 18.0, 'T1.5', 'PL', '0.35m | 1''2"', 'Prime Lens', 1.0, 'Large Format', 0, 0, 0.0, '', NULL, NULL, NULL);
INSERT INTO Lenses VALUES (62, 8, 21.0, 'T1.5', 'PL', '0.35m | 1''2"', 'Prime Lens', 1.0, 'Large Format', 0, 0, 0.0, '', NULL, NULL, NULL);
INSERT INTO Lenses VALUES (63, 8, 25.0, 'T1.5', 'PL', '0.26m | 10"', 'Prime Lens', 1.0, 'Large Format', 0, 0, 0.0, '', NULL, NULL, NULL);
INSERT INTO Lenses VALUES (64, 8, 29.0, 'T1.5', 'PL', '0.33m | 1''1"', 'Prime Lens', 1.0, 'Large Format', 0, 0, 0.0, '', NULL, NULL, NULL);
INSERT INTO Lenses VALUES (65, 8, 35.0, 'T1.5', 'PL', '0.32m | 1''1"', 'Prime Lens', 1.0, 'Large Format', 0, 0, 0.0, '', NULL, NULL, NULL);
INSERT INTO Lenses VALUES (66, 8, 50.0, 'T1.5', 'PL', '0.45m | 1''6"', 'Prime Lens', 1.0, 'Large Format', 0, 0, 0.0, '', NULL, NULL, NULL);
INSERT INTO Lenses VALUES (67, 8, 65.0, 'T1.5', 'PL', '0.6m | 2''', 'Prime Lens', 1.0, 'Large Format', 0, 0, 0.0, '', NULL, NULL, NULL);
INSERT INTO Lenses VALUES (68, 8, 85.0, 'T1.5', 'PL', '0.84m | 2''9"', 'Prime Lens', 1.0, 'Large Format', 0, 0, 0.0, '', NULL, NULL, NULL);
INSERT INTO Lenses VALUES (69, 8, 100.0, 'T1.5', 'PL', '1.1m | 3''7"', 'Prime Lens', 1.0, 'Large Format', 0, 0, 0.0, '', NULL, NULL, NULL);
INSERT INTO Lenses VALUES (70, 8, 135.0, 'T1.5', 'PL', '1.4m | 4''7"', 'Prime Lens', 1.0, 'Large Format', 0, 0, 0.0, '', NULL, NULL, NULL);
INSERT INTO Lenses VALUES (71, 8, 150.0, 'T1.8', 'PL', '1.5m | 4''11"', 'Prime Lens', 1.0, 'Large Format', 0, 0, 0.0, '', NULL, NULL, NULL);
INSERT INTO Lenses VALUES (72, 8, 200.0, 'T2.2', 'PL', '2m | 6''7"', 'Prime Lens', 1.0, 'Large Format', 0, 0, 0.0, '', NULL, NULL, NULL);
INSERT INTO Lenses VALUES (318, 8, 40.0, 'T1.5', 'PL', '0.42m | 1''5"', 'Prime Lens', 1.0, 'Large Format', 0, 0, 0.0, '', NULL, NULL, NULL);

INSERT INTO Manufacturer VALUES (9, 'ZEISS', 'CP.3', 'Prime Lens', 0, 1.0, 0);
INSERT INTO Lenses VALUES (73, 9, 15.0, 'T2.9', 'PL', '0.3m | 1''', 'Prime Lens', 1.0, 'Full Frame', 0, 0, 0.0, '', NULL, NULL, NULL);
INSERT INTO Lenses VALUES (74, 9, 18.0, 'T2.9', 'PL', '0.3m | 1''', 'Prime Lens', 1.0, 'Full Frame', 0, 0, 0.0, '', NULL, NULL, NULL);
INSERT INTO Lenses VALUES (75, 9, 21.0, 'T2.9', 'PL', '0.24m | 9"', 'Prime Lens', 1.0, 'Full Frame', 0, 0, 0.0, '', NULL, NULL, NULL);
INSERT INTO Lenses VALUES (76, 9, 25.0, 'T2.1', 'PL', '0.26m | 10"', 'Prime Lens', 1.0, 'Full Frame', 0, 0, 0.0, '', NULL, NULL, NULL);
INSERT INTO Lenses VALUES (77, 9, 28.0, 'T2.1', 'PL', '0.24m | 9"', 'Prime Lens', 1.0, 'Full Frame', 0, 0, 0.0, '', NULL, NULL, NULL);
INSERT INTO Lenses VALUES (78, 9, 35.0, 'T2.1', 'PL', '0.3m | 1''', 'Prime Lens', 1.0, 'Full Frame', 0, 0, 0.0, '', NULL, NULL, NULL);
INSERT INTO Lenses VALUES (79, 9, 50.0, 'T2.1', 'PL', '0.45m | 1''6"', 'Prime Lens', 1.0, 'Full Frame', 0, 0, 0.0, '', NULL, NULL, NULL);
INSERT INTO Lenses VALUES (80, 9, 85.0, 'T2.1', 'PL', '1m | 3''3"', 'Prime Lens', 1.0, 'Full Frame', 0, 0, 0.0, '', NULL, NULL, NULL);
INSERT INTO Lenses VALUES (81, 9, 100.0, 'T2.1', 'PL', '0.7m | 2''4"', 'Prime Lens', 1.0, 'Full Frame', 0, 0, 0.0, '', NULL, NULL, NULL);
INSERT INTO Lenses VALUES (82, 9, 135.0, 'T2.1', 'PL', '1m | 3''3"', 'Prime Lens', 1.0, 'Full Frame', 0, 0, 0.0, '', NULL, NULL, NULL);

INSERT INTO Manufacturer VALUES (10, 'ZEISS', 'CZ.2 Compact Zoom', 'Zoom Lens', 0, 1.0, 0);
INSERT INTO Lenses VALUES (83, 10, 15.0, 'T2.9', 'PL', '0.55m | 1''10"', 'Zoom Lens', 1.0, 'Full Frame', 0, 0, 30.0, '', NULL, 43.3, 43.3);
INSERT INTO Lenses VALUES (84, 10, 28.0, 'T2.9', 'PL', '0.83m | 2''9"', 'Zoom Lens', 1.0, 'Full Frame', 0, 0, 80.0, '', NULL, 43.3, 43.3);
INSERT INTO Lenses VALUES (85, 10, 70.0, 'T2.9', 'PL', '1.52m | 5''', 'Zoom Lens', 1.0, 'Full Frame', 0, 0, 200.0, '', NULL, 43.3, 43.3);

INSERT INTO Manufacturer VALUES (11, 'Cooke', 'S4/i', 'Prime Lens', 0, 1.0, 0);
INSERT INTO Lenses VALUES (86, 11, 12.0, 'T2.0', 'PL', '0.3m | 1''', 'Prime Lens', 1.0, 'Super 35', 0, 0, 0.0, '', NULL, 31.0, NULL);
INSERT INTO Lenses VALUES (87, 11, 14.0, 'T2.0', 'PL', '0.2m | 8"', 'Prime Lens', 1.0, 'Super 35', 0, 0, 0.0, '', NULL, 31.0, NULL);
INSERT INTO Lenses VALUES (88, 11, 16.0, 'T2.0', 'PL', '0.2m | 8"', 'Prime Lens', 1.0, 'Super 35', 0, 0, 0.0, '', NULL, 31.0, NULL);
INSERT INTO Lenses VALUES (89, 11, 18.0, 'T2.0', 'PL', '0.25m | 10"', 'Prime Lens', 1.0, 'Super 35', 0, 0, 0.0, '', NULL, 31.0, NULL);
INSERT INTO Lenses VALUES (90, 11, 21.0, 'T2.0', 'PL', '0.25m | 10"', 'Prime Lens', 1.0, 'Super 35', 0, 0, 0.0, '', NULL, 31.0, NULL);
INSERT INTO Lenses VALUES (91, 11, 25.0, 'T2.0', 'PL', '0.25m | 10"', 'Prime Lens', 1.0, 'Super 35', 0, 0, 0.0, '', NULL, 31.0, NULL);
INSERT INTO Lenses VALUES (92, 11, 27.0, 'T2.0', 'PL', '0.25m | 10"', 'Prime Lens', 1.0, 'Super 35', 0, 0, 0.0, '', NULL, 31.0, NULL);
INSERT INTO Lenses VALUES (93, 11, 32.0, 'T2.0', 'PL', '0.3m | 1''', 'Prime Lens', 1.0, 'Super 35', 0, 0, 0.0, '', NULL, 31.0, NULL);
INSERT INTO Lenses VALUES (94, 11, 35.0, 'T2.0', 'PL', '0.3m | 1''', 'Prime Lens', 1.0, 'Super 35', 0, 0, 0.0, '', NULL, 31.0, NULL);
INSERT INTO Lenses VALUES (95, 11, 40.0, 'T2.0', 'PL', '0.38m | 1''3"', 'Prime Lens', 1.0, 'Super 35', 0, 0, 0.0, '', NULL, 31.0, NULL);
INSERT INTO Lenses VALUES (96, 11, 50.0, 'T2.0', 'PL', '0.41m | 1''4"', 'Prime Lens', 1.0, 'Super 35', 0, 0, 0.0, '', NULL, 31.0, NULL);
INSERT INTO Lenses VALUES (97, 11, 65.0, 'T2.0', 'PL', '0.61m | 2''', 'Prime Lens', 1.0, 'Super 35', 0, 0, 0.0, '', NULL, 31.0, NULL);
INSERT INTO Lenses VALUES (98, 11, 75.0, 'T2.0', 'PL', '0.76m | 2''6"', 'Prime Lens', 1.0, 'Super 35', 0, 0, 0.0, '', NULL, 31.0, NULL);
INSERT INTO Lenses VALUES (99, 11, 100.0, 'T2.0', 'PL', '0.91m | 3''', 'Prime Lens', 1.0, 'Super 35', 0, 0, 0.0, '', NULL, 31.0, NULL);
INSERT INTO Lenses VALUES (100, 11, 135.0, 'T2.0', 'PL', '1.37m | 4''6"', 'Prime Lens', 1.0, 'Super 35', 0, 0, 0.0, '', NULL, 31.0, NULL);
INSERT INTO Lenses VALUES (101, 11, 150.0, 'T2.0', 'PL', '1.52m | 5''', 'Prime Lens', 1.0, 'Super 35', 0, 0, 0.0, '', NULL, 31.0, NULL);
INSERT INTO Lenses VALUES (102, 11, 180.0, 'T2.0', 'PL', '1.83m | 6''', 'Prime Lens', 1.0, 'Super 35', 0, 0, 0.0, '', NULL, 31.0, NULL);
INSERT INTO Lenses VALUES (336, 11, 300.0, 'T3', 'PL', '3.66m | 12''', 'Prime Lens', 1.0, 'Super 35', 0, 0, 0.0, '', NULL, 31.0, NULL);

INSERT INTO Manufacturer VALUES (12, 'Cooke', 'S7/i', 'Prime Lens', 0, 1.0, 0);
INSERT INTO Lenses VALUES (103, 12, 18.0, 'T2.0', 'PL', '', 'Prime Lens', 1.0, 'Full Frame', 0, 0, 0.0, '', NULL, 46.31, NULL);
INSERT INTO Lenses VALUES (104, 12, 21.0, 'T2.0', 'PL', '', 'Prime Lens', 1.0, 'Full Frame', 0, 0, 0.0, '', NULL, 46.31, NULL);
INSERT INTO Lenses VALUES (105, 12, 25.0, 'T2.0', 'PL', '', 'Prime Lens', 1.0, 'Full Frame', 0, 0, 0.0, '', NULL, 46.31, NULL);
INSERT INTO Lenses VALUES (106, 12, 27.0, 'T2.0', 'PL', '0.35m | 1''2"', 'Prime Lens', 1.0, 'Full Frame', 0, 0, 0.0, '', NULL, 46.31, NULL);
INSERT INTO Lenses VALUES (107, 12, 32.0, 'T2.0', 'PL', '0.35m | 1''2"', 'Prime Lens', 1.0, 'Full Frame', 0, 0, 0.0, '', NULL, 46.31, NULL);
INSERT INTO Lenses VALUES (108, 12, 40.0, 'T2.0', 'PL', '0.45m | 1''6"', 'Prime Lens', 1.0, 'Full Frame', 0, 0, 0.0, '', NULL, 46.31, NULL);
INSERT INTO Lenses VALUES (109, 12, 50.0, 'T2.0', 'PL', '', 'Prime Lens', 1.0, 'Full Frame', 0, 0, 0.0, '', NULL, 46.31, NULL);
INSERT INTO Lenses VALUES (110, 12, 65.0, 'T2.0', 'PL', '', 'Prime Lens', 1.0, 'Full Frame', 0, 0, 0.0, '', NULL, 46.31, NULL);
INSERT INTO Lenses VALUES (111, 12, 75.0, 'T2.0', 'PL', '0.475m | 1''7"', 'Prime Lens', 1.0, 'Full Frame', 0, 0, 0.0, '', NULL, 46.31, NULL);
INSERT INTO Lenses VALUES (112, 12, 100.0, 'T2.0', 'PL', '', 'Prime Lens', 1.0, 'Full Frame', 0, 0, 0.0, '', NULL, 46.31, NULL);
INSERT INTO Lenses VALUES (113, 12, 135.0, 'T2.0', 'PL', '', 'Prime Lens', 1.0, 'Full Frame', 0, 0, 0.0, '', NULL, 46.31, NULL);
INSERT INTO Lenses VALUES (474, 12, 16.0, 'T2.0', '', '', 'Prime Lens', 1.0, 'Full Frame', 0, 0, 0.0, '', NULL, NULL, NULL);
INSERT INTO Lenses VALUES (475, 12, 180.0, 'T2.0', '', '', 'Prime Lens', 1.0, 'Full Frame', 0, 0, 0.0, '', NULL, NULL, NULL);
INSERT INTO Lenses VALUES (476, 12, 300.0, 'T3.3', '', '', 'Prime Lens', 1.0, 'Full Frame', 0, 0, 0.0, '', NULL, 46.3, NULL);

INSERT INTO Manufacturer VALUES (13, 'Cooke', 'Panchro/i Classic', 'Prime Lens', 0, 1.0, 0);
INSERT INTO Lenses VALUES (114, 13, 18.0, 'T2.2', 'PL', '', 'Prime Lens', 1.0, 'Super 35', 0, 0, 0.0, '', NULL, NULL, NULL);
INSERT INTO Lenses VALUES (115, 13, 25.0, 'T2.2', 'PL', '', 'Prime Lens', 1.0, 'Super 35', 0, 0, 0.0, '', NULL, NULL, NULL);
INSERT INTO Lenses VALUES (116, 13, 32.0, 'T2.2', 'PL', '', 'Prime Lens', 1.0, 'Super 35', 0, 0, 0.0, '', NULL, NULL, NULL);
INSERT INTO Lenses VALUES (117, 13, 40.0, 'T2.2', 'PL', '', 'Prime Lens', 1.0, 'Super 35', 0, 0, 0.0, '', NULL, NULL, NULL);
INSERT INTO Lenses VALUES (118, 13, 50.0, 'T2.2', 'PL', '', 'Prime Lens', 1.0, 'Super 35', 0, 0, 0.0, '', NULL, NULL, NULL);
INSERT INTO Lenses VALUES (119, 13, 75.0, 'T2.2', 'PL', '', 'Prime Lens', 1.0, 'Super 35', 0, 0, 0.0, '', NULL, NULL, NULL);

INSERT INTO Manufacturer VALUES (14, 'Cooke', 'Anamorphic/i', 'Prime Lens', 0, 2.0, 0);
INSERT INTO Lenses VALUES (121, 14, 25.0, 'T2.3', 'PL', '', 'Prime Lens', 2.0, 'Super 35', 0, 0, 0.0, '', NULL, 33.54, NULL);
INSERT INTO Lenses VALUES (122, 14, 32.0, 'T2.3', 'PL', '', 'Prime Lens', 2.0, 'Super 35', 0, 0, 0.0, '', NULL, 33.54, NULL);
INSERT INTO Lenses VALUES (123, 14, 40.0, 'T2.3', 'PL', '', 'Prime Lens', 2.0, 'Super 35', 0, 0, 0.0, '', NULL, 33.54, NULL);
INSERT INTO Lenses VALUES (124, 14, 50.0, 'T2.3', 'PL', '', 'Prime Lens', 2.0, 'Super 35', 0, 0, 0.0, '', NULL, 33.54, NULL);
INSERT INTO Lenses VALUES (125, 14, 75.0, 'T2.3', 'PL', '', 'Prime Lens', 2.0, 'Super 35', 0, 0, 0.0, '', NULL, 33.54, NULL);
INSERT INTO Lenses VALUES (126, 14, 100.0, 'T2.3', 'PL', '', 'Prime Lens', 2.0, 'Super 35', 0, 0, 0.0, '', NULL, 33.54, NULL);
INSERT INTO Lenses VALUES (127, 14, 135.0, 'T2.3', 'PL', '', 'Prime Lens', 2.0, 'Super 35', 0, 0, 0.0, '', NULL, 33.54, NULL);
INSERT INTO Lenses VALUES (128, 14, 180.0, 'T2.8', 'PL', '', 'Prime Lens', 2.0, 'Super 35', 0, 0, 0.0, '', NULL, 33.54, NULL);
INSERT INTO Lenses VALUES (478, 14, 65.0, 'T2.6', '', '', 'Prime Lens', 2.0, 'Super 35', 0, 0, 0.0, 'Macro', NULL, 33.54, NULL);
INSERT INTO Lenses VALUES (479, 14, 300.0, 'T3.5', '', '', 'Prime Lens', 2.0, 'Super 35', 0, 0, 0.0, '', NULL, 33.54, NULL);

INSERT INTO Manufacturer VALUES (15, 'Cooke', 'Anamorphic/i Zoom', 'Zoom Lens', 0, 2.0, 0);
INSERT INTO Lenses VALUES (129, 15, 35.0, 'T3.1', 'PL', '', 'Zoom Lens', 2.0, 'Super 35', 0, 0, 140.0, '', NULL, NULL, NULL);

INSERT INTO Manufacturer VALUES (16, 'Leitz', 'Summilux-C', 'Prime Lens', 0, 1.0, 0);
INSERT INTO Lenses VALUES (130, 16, 16.0, 'T1.4', 'PL', '', 'Prime Lens', 1.0, 'Super 35', 0, 0, 0.0, '', NULL, NULL, NULL);
INSERT INTO Lenses VALUES (131, 16, 18.0, 'T1.4', 'PL', '', 'Prime Lens', 1.0, 'Super 35', 0, 0, 0.0, '', NULL, NULL, NULL);
INSERT INTO Lenses VALUES (132, 16, 21.0, 'T1.4', 'PL', '', 'Prime Lens', 1.0, 'Super 35', 0, 0, 0.0, '', NULL, NULL, NULL);
INSERT INTO Lenses VALUES (133, 16, 25.0, 'T1.4', 'PL', '', 'Prime Lens', 1.0, 'Super 35', 0, 0, 0.0, '', NULL, NULL, NULL);
INSERT INTO Lenses VALUES (134, 16, 29.0, 'T1.4', 'PL', '', 'Prime Lens', 1.0, 'Super 35', 0, 0, 0.0, '', NULL, NULL, NULL);
INSERT INTO Lenses VALUES (135, 16, 35.0, 'T1.4', 'PL', '', 'Prime Lens', 1.0, 'Super 35', 0, 0, 0.0, '', NULL, NULL, NULL);
INSERT INTO Lenses VALUES (136, 16, 40.0, 'T1.4', 'PL', '', 'Prime Lens', 1.0, 'Super 35', 0, 0, 0.0, '', NULL, NULL, NULL);
INSERT INTO Lenses VALUES (137, 16, 50.0, 'T1.4', 'PL', '', 'Prime Lens', 1.0, 'Super 35', 0, 0, 0.0, '', NULL, NULL, NULL);
INSERT INTO Lenses VALUES (138, 16, 65.0, 'T1.4', 'PL', '', 'Prime Lens', 1.0, 'Super 35', 0, 0, 0.0, '', NULL, NULL, NULL);
INSERT INTO Lenses VALUES (139, 16, 75.0, 'T1.4', 'PL', '', 'Prime Lens', 1.0, 'Super 35', 0, 0, 0.0, '', NULL, NULL, NULL);
INSERT INTO Lenses VALUES (140, 16, 100.0, 'T1.4', 'PL', '', 'Prime Lens', 1.0, 'Super 35', 0, 0, 0.0, '', NULL, NULL, NULL);
INSERT INTO Lenses VALUES (391, 16, 135.0, 'T1.4', 'PL', '', 'Prime Lens', 1.0, 'Super 35', 0, 0, 0.0, '', NULL, NULL, NULL);

INSERT INTO Manufacturer VALUES (17, 'Leitz', 'Summicron-C', 'Prime Lens', 0, 1.0, 0);
INSERT INTO Lenses VALUES (141, 17, 15.0, 'T2.0', 'PL', '0.3m | 1''', 'Prime Lens', 1.0, 'Super 35', 0, 0, 0.0, '', NULL, 36.0, NULL);
INSERT INTO Lenses VALUES (142, 17, 18.0, 'T2.0', 'PL', '0.3m | 1''', 'Prime Lens', 1.0, 'Super 35', 0, 0, 0.0, '', NULL, 36.0, NULL);
INSERT INTO Lenses VALUES (143, 17, 21.0, 'T2.0', 'PL', '0.3m | 1''', 'Prime Lens', 1.0, 'Super 35', 0, 0, 0.0, '', NULL, 36.0, NULL);
INSERT INTO Lenses VALUES (144, 17, 25.0, 'T2.0', 'PL', '0.3m | 1''', 'Prime Lens', 1.0, 'Super 35', 0, 0, 0.0, '', NULL, 36.0, NULL);
INSERT INTO Lenses VALUES (145, 17, 29.0, 'T2.0', 'PL', '0.3m | 1''', 'Prime Lens', 1.0, 'Super 35', 0, 0, 0.0, '', NULL, 36.0, NULL);
INSERT INTO Lenses VALUES (146, 17, 35.0, 'T2.0', 'PL', '', 'Prime Lens', 1.0, 'Super 35', 0, 0, 0.0, '', NULL, NULL, NULL);
INSERT INTO Lenses VALUES (147, 17, 40.0, 'T2.0', 'PL', '0.45m | 1''6"', 'Prime Lens', 1.0, 'Super 35', 0, 0, 0.0, '', NULL, 36.0, NULL);
INSERT INTO Lenses VALUES (148, 17, 50.0, 'T2.0', 'PL', '0.6m | 2''', 'Prime Lens', 1.0, 'Super 35', 0, 0, 0.0, '', NULL, 36.0, NULL);
INSERT INTO Lenses VALUES (149, 17, 75.0, 'T2.0', 'PL', '0.8m | 2''7"', 'Prime Lens', 1.0, 'Super 35', 0, 0, 0.0, '', NULL, 36.0, NULL);
INSERT INTO Lenses VALUES (150, 17, 100.0, 'T2.0', 'PL', '', 'Prime Lens', 1.0, 'Super 35', 0, 0, 0.0, '', NULL, NULL, NULL);
INSERT INTO Lenses VALUES (151, 17, 135.0, 'T2.0', 'PL', '1.35m | 4''5"', 'Prime Lens', 1.0, 'Super 35', 0, 0, 0.0, '', NULL, 36.0, NULL);

INSERT INTO Manufacturer VALUES (192, 'Angénieux', 'Optimo Zoom', 'Zoom Lens', 0, 1.0, 0);
INSERT INTO Lenses VALUES (152, 192, 15.0, 'T2.6', 'PL', '0.61m | 2''', 'Zoom Lens', 1.0, 'Super 35', 0, 0, 40.0, '', NULL, 31.4, 31.4);
INSERT INTO Lenses VALUES (153, 192, 17.0, 'T2.2', 'PL', '', 'Zoom Lens', 1.0, 'Super 35', 0, 0, 80.0, '', NULL, NULL, NULL);
INSERT INTO Lenses VALUES (154, 192, 19.5, 'T2.6', 'PL', '', 'Zoom Lens', 1.0, 'Super 35', 0, 0, 94.0, '', NULL, NULL, NULL);
INSERT INTO Lenses VALUES (1246, 192, 24.0, 'T2.8', 'PL', '1.22m | 4''', 'Zoom Lens', 1.0, 'Super 35', 1, 0, 290.0, '', NULL, NULL, NULL);
INSERT INTO Lenses VALUES (155, 192, 28.0, 'T2.6', 'PL', '0.6m | 2''', 'Zoom Lens', 1.0, 'Super 35', 0, 0, 76.0, '', NULL, NULL, NULL);
INSERT INTO Lenses VALUES (156, 192, 28.0, 'T3.2', 'PL', '', 'Zoom Lens', 1.0, 'Super 35', 0, 0, 340.0, '', NULL, NULL, NULL);
INSERT INTO Lenses VALUES (157, 192, 45.0, 'T2.8', 'PL', '0.94m | 3''1"', 'Zoom Lens', 1.0, 'Super 35', 0, 0, 120.0, '', NULL, 31.4, 31.4);
INSERT INTO Lenses VALUES (337, 192, 25.0, 'T3.5', 'PL', '1.2m | 3''11"', 'Zoom Lens', 1.0, 'Super 35', 0, 0, 250.0, '', NULL, 31.4, 31.4);

INSERT INTO Manufacturer VALUES (18, 'Angénieux', 'Optimo Anamorphic A2S', 'Zoom Lens', 0, 2.0, 0);
INSERT INTO Lenses VALUES (158, 18, 30.0, 'T4', 'PL', '', 'Zoom Lens', 2.0, 'Super 35', 0, 0, 72.0, '', NULL, NULL, NULL);
INSERT INTO Lenses VALUES (159, 18, 44.0, 'T4.5', 'PL', '', 'Zoom Lens', 2.0, 'Super 35', 0, 0, 440.0, '', NULL, NULL, NULL);
INSERT INTO Lenses VALUES (160, 18, 56.0, 'T4', 'PL', '', 'Zoom Lens', 2.0, 'Super 35', 0, 0, 152.0, '', NULL, NULL, NULL);

INSERT INTO Manufacturer VALUES (19, 'Fujinon', 'Premista', 'Zoom Lens', 0, 1.0, 0);
INSERT INTO Lenses VALUES (161, 19, 19.0, 'T2.9', 'PL', '0.6m | 2''', 'Zoom Lens', 1.0, 'Large Format', 0, 0, 45.0, '', NULL, 46.3, 46.3);
INSERT INTO Lenses VALUES (162, 19, 28.0, 'T2.9', 'PL', '0.8m | 2''7"', 'Zoom Lens', 1.0, 'Large Format', 0, 0, 100.0, '', NULL, 46.3, 46.3);
INSERT INTO Lenses VALUES (163, 19, 80.0, 'T2.9', 'PL', '1.5m | 4''11"', 'Zoom Lens', 1.0, 'Large Format', 0, 0, 250.0, '', NULL, 46.3, 46.3);

INSERT INTO Manufacturer VALUES (20, 'Fujinon', 'Cabrio', 'Zoom Lens', 0, 1.0, 0);
INSERT INTO Lenses VALUES (164, 20, 14.0, 'T2.9', 'PL', '', 'Zoom Lens', 1.0, 'Super 35', 0, 0, 35.0, '', NULL, NULL, NULL);
INSERT INTO Lenses VALUES (165, 20, 19.0, 'T2.9', 'PL', '', 'Zoom Lens', 1.0, 'Super 35', 0, 0, 90.0, '', NULL, NULL, NULL);
INSERT INTO Lenses VALUES (166, 20, 25.0, 'T3.5', 'PL', '', 'Zoom Lens', 1.0, 'Super 35', 0, 0, 300.0, '', NULL, NULL, NULL);
INSERT INTO Lenses VALUES (167, 20, 85.0, 'T2.9', 'PL', '', 'Zoom Lens', 1.0, 'Super 35', 0, 0, 300.0, '', NULL, NULL, NULL);

INSERT INTO Manufacturer VALUES (21, 'Fujinon', 'MK', 'Zoom Lens', 0, 1.0, 0);
INSERT INTO Lenses VALUES (168, 21, 18.0, 'T2.9', 'E', '0.9m | 2''11"', 'Zoom Lens', 1.0, 'Super 35', 0, 0, 55.0, '', NULL, 28.5, 28.5);
INSERT INTO Lenses VALUES (169, 21, 50.0, 'T2.9', 'E', '1.2m | 3''11"', 'Zoom Lens', 1.0, 'Super 35', 0, 0, 135.0, '', NULL, 28.5, 28.5);

INSERT INTO Manufacturer VALUES (22, 'Canon', 'CN-E Prime', 'Prime Lens', 0, 1.0, 0);
INSERT INTO Lenses VALUES (170, 22, 14.0, 'T3.1', 'EF', '', 'Prime Lens', 1.0, 'Full Frame', 0, 0, 0.0, '', NULL, NULL, NULL);
INSERT INTO Lenses VALUES (171, 22, 20.0, 'T1.5', 'EF', '', 'Prime Lens', 1.0, 'Full Frame', 0, 0, 0.0, '', NULL, NULL, NULL);
INSERT INTO Lenses VALUES (172, 22, 24.0, 'T1.5', 'EF', '', 'Prime Lens', 1.0, 'Full Frame', 0, 0, 0.0, '', NULL, NULL, NULL);
INSERT INTO Lenses VALUES (173, 22, 35.0, 'T1.5', 'EF', '', 'Prime Lens', 1.0, 'Full Frame', 0, 0, 0.0, '', NULL, NULL, NULL);
INSERT INTO Lenses VALUES (174, 22, 50.0, 'T1.3', 'EF', '', 'Prime Lens', 1.0, 'Full Frame', 0, 0, 0.0, '', NULL, NULL, NULL);
INSERT INTO Lenses VALUES (175, 22, 85.0, 'T1.3', 'EF', '', 'Prime Lens', 1.0, 'Full Frame', 0, 0, 0.0, '', NULL, NULL, NULL);
INSERT INTO Lenses VALUES (176, 22, 135.0, 'T2.2', 'EF', '', 'Prime Lens', 1.0, 'Full Frame', 0, 0, 0.0, '', NULL, NULL, NULL);

INSERT INTO Manufacturer VALUES (23, 'Canon', 'Sumire Prime', 'Prime Lens', 0, 1.0, 0);
INSERT INTO Lenses VALUES (177, 23, 14.0, 'T3.1', 'PL', '0.203m | 8"', 'Prime Lens', 1.0, 'Full Frame', 0, 0, 0.0, '', NULL, 43.3, NULL);
INSERT INTO Lenses VALUES (178, 23, 20.0, 'T1.5', 'PL', '0.3m | 1''', 'Prime Lens', 1.0, 'Full Frame', 0, 0, 0.0, '', NULL, 43.3, NULL);
INSERT INTO Lenses VALUES (179, 23, 24.0, 'T1.5', 'PL', '0.3m | 1''', 'Prime Lens', 1.0, 'Full Frame', 0, 0, 0.0, '', NULL, 43.3, NULL);
INSERT INTO Lenses VALUES (180, 23, 35.0, 'T1.5', 'PL', '0.46m | 1''6"', 'Prime Lens', 1.0, 'Full Frame', 0, 0, 0.0, '', NULL, 43.3, NULL);
INSERT INTO Lenses VALUES (181, 23, 50.0, 'T1.3', 'PL', '0.46m | 1''6"', 'Prime Lens', 1.0, 'Full Frame', 0, 0, 0.0, '', NULL, 43.3, NULL);
INSERT INTO Lenses VALUES (182, 23, 85.0, 'T1.3', 'PL', '0.95m | 3''1"', 'Prime Lens', 1.0, 'Full Frame', 0, 0, 0.0, '', NULL, 43.3, NULL);
INSERT INTO Lenses VALUES (183, 23, 135.0, 'T2.2', 'PL', '1m | 3''3"', 'Prime Lens', 1.0, 'Full Frame', 0, 0, 0.0, '', NULL, 43.3, NULL);

INSERT INTO Manufacturer VALUES (24, 'Canon', 'CN-E Zoom', 'Zoom Lens', 0, 1.0, 0);
INSERT INTO Lenses VALUES (184, 24, 14.5, 'T2.6', 'PL', '', 'Zoom Lens', 1.0, 'Super 35', 0, 0, 60.0, '', NULL, NULL, NULL);
INSERT INTO Lenses VALUES (185, 24, 15.5, 'T2.8', 'PL', '', 'Zoom Lens', 1.0, 'Super 35', 0, 0, 47.0, '', NULL, NULL, NULL);
INSERT INTO Lenses VALUES (186, 24, 30.0, 'T2.8', 'PL', '', 'Zoom Lens', 1.0, 'Super 35', 0, 0, 105.0, '', NULL, NULL, NULL);
INSERT INTO Lenses VALUES (187, 24, 30.0, 'T2.95', 'PL', '', 'Zoom Lens', 1.0, 'Super 35', 0, 0, 300.0, '', NULL, NULL, NULL);

INSERT INTO Manufacturer VALUES (25, 'Canon', 'EF L Prime', 'Prime Lens', 0, 1.0, 0);
INSERT INTO Lenses VALUES (188, 25, 14.0, 'f/2.8', 'EF', '0.2m | 8"', 'Prime Lens', 1.0, 'Full Frame', 0, 0, 0.0, '', NULL, NULL, NULL);
INSERT INTO Lenses VALUES (189, 25, 24.0, 'f/1.4', 'EF', '0.25m | 10"', 'Prime Lens', 1.0, 'Full Frame', 0, 0, 0.0, '', NULL, NULL, NULL);
INSERT INTO Lenses VALUES (190, 25, 35.0, 'f/1.4', 'EF', '0.28m | 11"', 'Prime Lens', 1.0, 'Full Frame', 0, 0, 0.0, '', NULL, NULL, NULL);
INSERT INTO Lenses VALUES (191, 25, 50.0, 'f/1.2', 'EF', '0.45m | 1''6"', 'Prime Lens', 1.0, 'Full Frame', 0, 0, 0.0, '', NULL, NULL, NULL);
INSERT INTO Lenses VALUES (192, 25, 85.0, 'f/1.2', 'EF', '0.95m | 3''1"', 'Prime Lens', 1.0, 'Full Frame', 0, 0, 0.0, '', NULL, NULL, NULL);
INSERT INTO Lenses VALUES (193, 25, 100.0, 'f/2.8', 'EF', '0.3m | 1''', 'Prime Lens', 1.0, 'Full Frame', 0, 0, 0.0, 'Macro IS', NULL, NULL, NULL);
INSERT INTO Lenses VALUES (194, 25, 135.0, 'f/2', 'EF', '0.9m | 2''11"', 'Prime Lens', 1.0, 'Full Frame', 0, 0, 0.0, '', NULL, NULL, NULL);

INSERT INTO Manufacturer VALUES (26, 'Canon', 'EF L Zoom', 'Zoom Lens', 0, 1.0, 0);
INSERT INTO Lenses VALUES (195, 26, 16.0, 'f/2.8', 'EF', '0.28m | 11"', 'Zoom Lens', 1.0, 'Full Frame', 0, 0, 35.0, '', NULL, NULL, NULL);
INSERT INTO Lenses VALUES (196, 26, 24.0, 'f/2.8', 'EF', '0.38m | 1''3"', 'Zoom Lens', 1.0, 'Full Frame', 0, 0, 70.0, '', NULL, NULL, NULL);
INSERT INTO Lenses VALUES (197, 26, 24.0, 'f/4', 'EF', '0.45m | 1''6"', 'Zoom Lens', 1.0, 'Full Frame', 0, 0, 105.0, '', NULL, NULL, NULL);
INSERT INTO Lenses VALUES (198, 26, 70.0, 'f/2.8', 'EF', '1.2m | 3''11"', 'Zoom Lens', 1.0, 'Full Frame', 0, 0, 200.0, '', NULL, NULL, NULL);

INSERT INTO Manufacturer VALUES (27, 'Sony', 'G Master Prime', 'Prime Lens', 0, 1.0, 0);
INSERT INTO Lenses VALUES (199, 27, 24.0, 'f/1.4', 'E', '0.24m | 9"', 'Prime Lens', 1.0, 'Full Frame', 0, 0, 0.0, '', NULL, NULL, NULL);
INSERT INTO Lenses VALUES (200, 27, 35.0, 'f/1.4', 'E', '', 'Prime Lens', 1.0, 'Full Frame', 0, 0, 0.0, '', NULL, NULL, NULL);
INSERT INTO Lenses VALUES (201, 27, 50.0, 'f/1.2', 'E', '0.4m | 1''4"', 'Prime Lens', 1.0, 'Full Frame', 0, 0, 0.0, '', NULL, NULL, NULL);
INSERT INTO Lenses VALUES (202, 27, 85.0, 'f/1.4', 'E', '', 'Prime Lens', 1.0, 'Full Frame', 0, 0, 0.0, '', NULL, NULL, NULL);
INSERT INTO Lenses VALUES (203, 27, 135.0, 'f/1.8', 'E', '0.7m | 2''4"', 'Prime Lens', 1.0, 'Full Frame', 0, 0, 0.0, '', NULL, NULL, NULL);

INSERT INTO Manufacturer VALUES (28, 'Sony', 'G Master Zoom', 'Zoom Lens', 0, 1.0, 0);
INSERT INTO Lenses VALUES (204, 28, 16.0, 'f/2.8', 'E', '0.28m | 11"', 'Zoom Lens', 1.0, 'Full Frame', 0, 0, 35.0, '', NULL, NULL, NULL);
INSERT INTO Lenses VALUES (205, 28, 24.0, 'f/2.8', 'E', '0.38m | 1''3"', 'Zoom Lens', 1.0, 'Full Frame', 0, 0, 70.0, '', NULL, NULL, NULL);
INSERT INTO Lenses VALUES (206, 28, 70.0, 'f/2.8', 'E', '0.96m | 3''2"', 'Zoom Lens', 1.0, 'Full Frame', 0, 0, 200.0, '', NULL, NULL, NULL);

INSERT INTO Manufacturer VALUES (29, 'Sigma', 'Cine High Speed Prime FF', 'Prime Lens', 0, 1.0, 0);
INSERT INTO Lenses VALUES (207, 29, 14.0, 'T2', 'PL', '0.27m | 11"', 'Prime Lens', 1.0, 'Full Frame', 0, 0, 0.0, '', NULL, 43.3, NULL);
INSERT INTO Lenses VALUES (208, 29, 20.0, 'T1.5', 'PL', '0.28m | 11"', 'Prime Lens', 1.0, 'Full Frame', 0, 0, 0.0, '', NULL, 43.3, NULL);
INSERT INTO Lenses VALUES (209, 29, 24.0, 'T1.5', 'PL', '0.3m | 1''', 'Prime Lens', 1.0, 'Full Frame', 0, 0, 0.0, '', NULL, 43.3, NULL);
INSERT INTO Lenses VALUES (210, 29, 28.0, 'T1.5', 'PL', '0.3m | 1''', 'Prime Lens', 1.0, 'Full Frame', 0, 0, 0.0, '', NULL, 43.3, NULL);
INSERT INTO Lenses VALUES (211, 29, 35.0, 'T1.5', 'PL', '0.35m | 1''2"', 'Prime Lens', 1.0, 'Full Frame', 0, 0, 0.0, '', NULL, 43.3, NULL);
INSERT INTO Lenses VALUES (212, 29, 40.0, 'T1.5', 'PL', '0.4m | 1''4"', 'Prime Lens', 1.0, 'Full Frame', 0, 0, 0.0, '', NULL, 43.3, NULL);
INSERT INTO Lenses VALUES (213, 29, 50.0, 'T1.5', 'PL', '0.4m | 1''4"', 'Prime Lens', 1.0, 'Full Frame', 0, 0, 0.0, '', NULL, 43.3, NULL);
INSERT INTO Lenses VALUES (214, 29, 85.0, 'T1.5', 'PL', '0.95m | 3''1"', 'Prime Lens', 1.0, 'Full Frame', 0, 0, 0.0, '', NULL, 43.3, NULL);
INSERT INTO Lenses VALUES (215, 29, 105.0, 'T1.5', 'PL', '1m | 3''3"', 'Prime Lens', 1.0, 'Full Frame', 0, 0, 0.0, '', NULL, 43.3, NULL);
INSERT INTO Lenses VALUES (216, 29, 135.0, 'T2', 'PL', '1.1m | 3''7"', 'Prime Lens', 1.0, 'Full Frame', 0, 0, 0.0, '', NULL, 43.3, NULL);
INSERT INTO Lenses VALUES (343, 29, 65.0, 'T1.5', 'PL', '0.65m | 2''2"', 'Prime Lens', 1.0, 'Full Frame', 0, 0, 0.0, '', NULL, 43.3, NULL);

INSERT INTO Manufacturer VALUES (30, 'Sigma', 'Art Prime', 'Prime Lens', 0, 1.0, 0);
INSERT INTO Lenses VALUES (217, 30, 14.0, 'f/1.8', 'EF', '', 'Prime Lens', 1.0, 'Full Frame', 0, 0, 0.0, '', NULL, NULL, NULL);
INSERT INTO Lenses VALUES (218, 30, 20.0, 'f/1.4', 'EF', '', 'Prime Lens', 1.0, 'Full Frame', 0, 0, 0.0, '', NULL, NULL, NULL);
INSERT INTO Lenses VALUES (219, 30, 24.0, 'f/1.4', 'EF', '', 'Prime Lens', 1.0, 'Full Frame', 0, 0, 0.0, '', NULL, NULL, NULL);
INSERT INTO Lenses VALUES (220, 30, 28.0, 'f/1.4', 'EF', '', 'Prime Lens', 1.0, 'Full Frame', 0, 0, 0.0, '', NULL, NULL, NULL);
INSERT INTO Lenses VALUES (221, 30, 35.0, 'f/1.4', 'EF', '0.3m | 1''', 'Prime Lens', 1.0, 'Full Frame', 0, 0, 0.0, '', NULL, NULL, NULL);
INSERT INTO Lenses VALUES (222, 30, 40.0, 'f/1.4', 'EF', '', 'Prime Lens', 1.0, 'Full Frame', 0, 0, 0.0, '', NULL, NULL, NULL);
INSERT INTO Lenses VALUES (223, 30, 50.0, 'f/1.4', 'EF', '0.4m | 1''4"', 'Prime Lens', 1.0, 'Full Frame', 0, 0, 0.0, '', NULL, NULL, NULL);
INSERT INTO Lenses VALUES (224, 30, 85.0, 'f/1.4', 'EF', '0.85m | 2''9"', 'Prime Lens', 1.0, 'Full Frame', 0, 0, 0.0, '', NULL, NULL, NULL);
INSERT INTO Lenses VALUES (225, 30, 105.0, 'f/1.4', 'EF', '1m | 3''3"', 'Prime Lens', 1.0, 'Full Frame', 0, 0, 0.0, '', NULL, NULL, NULL);
INSERT INTO Lenses VALUES (226, 30, 135.0, 'f/1.8', 'EF', '0.875m | 2''10"', 'Prime Lens', 1.0, 'Full Frame', 0, 0, 0.0, '', NULL, NULL, NULL);

INSERT INTO Manufacturer VALUES (31, 'Sigma', 'Art Zoom DC', 'Zoom Lens', 0, 1.0, 0);
INSERT INTO Lenses VALUES (227, 31, 18.0, 'f/1.8', 'EF', '0.28m | 11"', 'Zoom Lens', 1.0, 'APS-C', 0, 0, 35.0, '', NULL, NULL, NULL);
INSERT INTO Lenses VALUES (228, 31, 50.0, 'f/1.8', 'EF', '0.95m | 3''1"', 'Zoom Lens', 1.0, 'APS-C', 0, 0, 100.0, '', NULL, NULL, NULL);

INSERT INTO Manufacturer VALUES (32, 'Samyang', 'Xeen', 'Prime Lens', 0, 1.0, 0);
INSERT INTO Lenses VALUES (229, 32, 14.0, 'T3.1', 'PL', '', 'Prime Lens', 1.0, 'Full Frame', 0, 0, 0.0, '', NULL, NULL, NULL);
INSERT INTO Lenses VALUES (230, 32, 16.0, 'T2.6', 'PL', '', 'Prime Lens', 1.0, 'Full Frame', 0, 0, 0.0, '', NULL, NULL, NULL);
INSERT INTO Lenses VALUES (231, 32, 20.0, 'T1.9', 'PL', '', 'Prime Lens', 1.0, 'Full Frame', 0, 0, 0.0, '', NULL, NULL, NULL);
INSERT INTO Lenses VALUES (232, 32, 24.0, 'T1.5', 'PL', '', 'Prime Lens', 1.0, 'Full Frame', 0, 0, 0.0, '', NULL, NULL, NULL);
INSERT INTO Lenses VALUES (233, 32, 35.0, 'T1.5', 'PL', '', 'Prime Lens', 1.0, 'Full Frame', 0, 0, 0.0, '', NULL, NULL, NULL);
INSERT INTO Lenses VALUES (234, 32, 50.0, 'T1.5', 'PL', '', 'Prime Lens', 1.0, 'Full Frame', 0, 0, 0.0, '', NULL, NULL, NULL);
INSERT INTO Lenses VALUES (235, 32, 85.0, 'T1.5', 'PL', '', 'Prime Lens', 1.0, 'Full Frame', 0, 0, 0.0, '', NULL, NULL, NULL);
INSERT INTO Lenses VALUES (236, 32, 135.0, 'T2.2', 'PL', '', 'Prime Lens', 1.0, 'Full Frame', 0, 0, 0.0, '', NULL, NULL, NULL);

INSERT INTO Manufacturer VALUES (33, 'Atlas', 'Orion Anamorphic', 'Prime Lens', 0, 2.0, 0);
INSERT INTO Lenses VALUES (237, 33, 25.0, 'T2', 'PL', '', 'Prime Lens', 2.0, 'Super 35', 0, 0, 0.0, '', NULL, NULL, NULL);
INSERT INTO Lenses VALUES (238, 33, 32.0, 'T2', 'PL', '0.76m | 2''6"', 'Prime Lens', 2.0, 'Super 35', 0, 0, 0.0, '', NULL, 31.0, NULL);
INSERT INTO Lenses VALUES (239, 33, 40.0, 'T2', 'PL', '0.61m | 2''', 'Prime Lens', 2.0, 'Super 35', 0, 0, 0.0, '', NULL, 31.0, NULL);
INSERT INTO Lenses VALUES (240, 33, 50.0, 'T2', 'PL', '0.7m | 2''4"', 'Prime Lens', 2.0, 'Super 35', 0, 0, 0.0, '', NULL, 31.0, NULL);
INSERT INTO Lenses VALUES (241, 33, 65.0, 'T2', 'PL', '0.76m | 2''6"', 'Prime Lens', 2.0, 'Super 35', 0, 0, 0.0, '', NULL, 31.0, NULL);
INSERT INTO Lenses VALUES (242, 33, 80.0, 'T2', 'PL', '0.91m | 3''', 'Prime Lens', 2.0, 'Super 35', 0, 0, 0.0, '', NULL, 31.0, NULL);
INSERT INTO Lenses VALUES (243, 33, 100.0, 'T2', 'PL', '1m | 3''3"', 'Prime Lens', 2.0, 'Super 35', 0, 0, 0.0, '', NULL, 31.0, NULL);
INSERT INTO Lenses VALUES (347, 33, 135.0, 'T2.2', 'PL', '1.52m | 5''', 'Prime Lens', 2.0, 'Super 35', 0, 0, 0.0, '', NULL, 31.0, NULL);
INSERT INTO Lenses VALUES (348, 33, 180.0, 'T2.2', 'PL', '1.83m | 6''', 'Prime Lens', 2.0, 'Super 35', 0, 0, 0.0, '', NULL, 31.0, NULL);

INSERT INTO Manufacturer VALUES (34, 'Laowa', 'Nanomorph', 'Prime Lens', 0, 1.5, 0);
INSERT INTO Lenses VALUES (245, 34, 35.0, 'T2.4', 'PL', '', 'Prime Lens', 1.5, 'Super 35', 0, 0, 0.0, '', NULL, NULL, NULL);
INSERT INTO Lenses VALUES (246, 34, 50.0, 'T2.4', 'PL', '', 'Prime Lens', 1.5, 'Super 35', 0, 0, 0.0, '', NULL, NULL, NULL);

INSERT INTO Manufacturer VALUES (35, 'Sirui', 'Anamorphic 1.33x', 'Prime Lens', 0, 1.33, 0);
INSERT INTO Lenses VALUES (247, 35, 24.0, 'f/1.8', 'E', '', 'Prime Lens', 1.33, 'APS-C', 0, 0, 0.0, '', NULL, NULL, NULL);
INSERT INTO Lenses VALUES (248, 35, 35.0, 'f/1.8', 'E', '', 'Prime Lens', 1.33, 'APS-C', 0, 0, 0.0, '', NULL, NULL, NULL);
INSERT INTO Lenses VALUES (249, 35, 50.0, 'f/1.8', 'E', '', 'Prime Lens', 1.33, 'APS-C', 0, 0, 0.0, '', NULL, NULL, NULL);
INSERT INTO Lenses VALUES (250, 35, 75.0, 'f/1.8', 'E', '', 'Prime Lens', 1.33, 'APS-C', 0, 0, 0.0, '', NULL, NULL, NULL);

INSERT INTO Manufacturer VALUES (36, 'Sirui', 'Venus Anamorphic 1.6x', 'Prime Lens', 0, 1.6, 0);
INSERT INTO Lenses VALUES (251, 36, 35.0, 'T2.9', 'E', '', 'Prime Lens', 1.6, 'Full Frame', 0, 0, 0.0, '', NULL, NULL, NULL);
INSERT INTO Lenses VALUES (252, 36, 50.0, 'T2.9', 'E', '', 'Prime Lens', 1.6, 'Full Frame', 0, 0, 0.0, '', NULL, NULL, NULL);
INSERT INTO Lenses VALUES (253, 36, 75.0, 'T2.9', 'E', '', 'Prime Lens', 1.6, 'Full Frame', 0, 0, 0.0, '', NULL, NULL, NULL);
INSERT INTO Lenses VALUES (469, 36, 100.0, 'T2.9', 'E', '', 'Prime Lens', 1.6, 'Full Frame', 0, 0, 0.0, '', NULL, NULL, NULL);
INSERT INTO Lenses VALUES (470, 36, 150.0, 'T2.9', 'E', '', 'Prime Lens', 1.6, 'Full Frame', 0, 0, 0.0, '', NULL, NULL, NULL);

INSERT INTO Manufacturer VALUES (37, 'ZEISS', 'Supreme Prime Radiance', 'Prime Lens', 0, 1.0, 0);
INSERT INTO Lenses VALUES (302, 37, 18.0, 'T1.5', '', '0.35m | 1''2"', 'Prime Lens', 1.0, 'Large Format', 0, 0, 0.0, '', NULL, 46.3, NULL);
INSERT INTO Lenses VALUES (303, 37, 21.0, 'T1.5', '', '0.35m | 1''2"', 'Prime Lens', 1.0, 'Large Format', 0, 0, 0.0, '', NULL, 46.3, NULL);
INSERT INTO Lenses VALUES (304, 37, 25.0, 'T1.5', '', '0.26m | 10"', 'Prime Lens', 1.0, 'Large Format', 0, 0, 0.0, '', NULL, 46.3, NULL);
INSERT INTO Lenses VALUES (305, 37, 29.0, 'T1.5', '', '0.33m | 1''1"', 'Prime Lens', 1.0, 'Large Format', 0, 0, 0.0, '', NULL, 46.3, NULL);
INSERT INTO Lenses VALUES (306, 37, 35.0, 'T1.5', '', '0.32m | 1''1"', 'Prime Lens', 1.0, 'Large Format', 0, 0, 0.0, '', NULL, 46.3, NULL);
INSERT INTO Lenses VALUES (319, 37, 40.0, 'T1.5', '', '0.42m | 1''5"', 'Prime Lens', 1.0, 'Large Format', 0, 0, 0.0, '', NULL, 46.3, NULL);
INSERT INTO Lenses VALUES (301, 37, 50.0, 'T1.5', '', '0.45m | 1''6"', 'Prime Lens', 1.0, 'Large Format', 0, 0, 0.0, '', NULL, NULL, NULL);
INSERT INTO Lenses VALUES (307, 37, 65.0, 'T1.5', '', '0.6m | 2''', 'Prime Lens', 1.0, 'Large Format', 0, 0, 0.0, '', NULL, NULL, NULL);
INSERT INTO Lenses VALUES (308, 37, 85.0, 'T1.5', '', '0.84m | 2''9"', 'Prime Lens', 1.0, 'Large Format', 0, 0, 0.0, '', NULL, NULL, NULL);
INSERT INTO Lenses VALUES (309, 37, 100.0, 'T1.5', '', '1.1m | 3''7"', 'Prime Lens', 1.0, 'Large Format', 0, 0, 0.0, '', NULL, NULL, NULL);
INSERT INTO Lenses VALUES (310, 37, 135.0, 'T1.5', '', '1.4m | 4''7"', 'Prime Lens', 1.0, 'Large Format', 0, 0, 0.0, '', NULL, NULL, NULL);

INSERT INTO Manufacturer VALUES (38, 'Canon', 'CN-R Prime', 'Prime Lens', 0, 1.0, 0);
INSERT INTO Lenses VALUES (311, 38, 14.0, 'T3.1', 'RF', '0.2m | 8"', 'Prime Lens', 1.0, 'Full Frame', 0, 0, 0.0, '', NULL, 43.3, NULL);
INSERT INTO Lenses VALUES (312, 38, 20.0, 'T1.5', 'RF', '0.3m | 1''', 'Prime Lens', 1.0, 'Full Frame', 0, 0, 0.0, '', NULL, 43.3, NULL);
INSERT INTO Lenses VALUES (313, 38, 24.0, 'T1.5', 'RF', '0.3m | 1''', 'Prime Lens', 1.0, 'Full Frame', 0, 0, 0.0, '', NULL, 43.3, NULL);
INSERT INTO Lenses VALUES (314, 38, 35.0, 'T1.5', 'RF', '0.3m | 1''', 'Prime Lens', 1.0, 'Full Frame', 0, 0, 0.0, '', NULL, 43.3, NULL);
INSERT INTO Lenses VALUES (315, 38, 50.0, 'T1.3', 'RF', '0.45m | 1''6"', 'Prime Lens', 1.0, 'Full Frame', 0, 0, 0.0, '', NULL, 43.3, NULL);
INSERT INTO Lenses VALUES (316, 38, 85.0, 'T1.3', 'RF', '0.95m | 3''1"', 'Prime Lens', 1.0, 'Full Frame', 0, 0, 0.0, '', NULL, 43.3, NULL);
INSERT INTO Lenses VALUES (317, 38, 135.0, 'T2.2', 'RF', '1m | 3''3"', 'Prime Lens', 1.0, 'Full Frame', 0, 0, 0.0, '', NULL, 43.3, NULL);

INSERT INTO Manufacturer VALUES (39, 'ARRI', 'Signature Zoom', 'Zoom Lens', 0, 1.0, 0);
INSERT INTO Lenses VALUES (321, 39, 16.0, 'T2.8', 'LPL', '0.45m | 1''6"', 'Zoom Lens', 1.0, 'Large Format', 0, 0, 32.0, '', NULL, 46.0, 46.0);
INSERT INTO Lenses VALUES (323, 39, 24.0, 'T2.8', 'LPL', '0.7m | 2''4"', 'Zoom Lens', 1.0, 'Large Format', 0, 0, 75.0, '', NULL, 46.0, 46.0);
INSERT INTO Lenses VALUES (324, 39, 45.0, 'T2.8', 'LPL', '1m | 3''3"', 'Zoom Lens', 1.0, 'Large Format', 0, 0, 135.0, '', NULL, 46.0, 46.0);
INSERT INTO Lenses VALUES (325, 39, 65.0, 'T2.8', 'LPL', '1.8m | 5''11"', 'Zoom Lens', 1.0, 'Large Format', 0, 0, 300.0, '', NULL, 46.0, 46.0);

INSERT INTO Manufacturer VALUES (40, 'Cooke', 'Anamorphic/i FF', 'Prime Lens', 0, 1.8, 0);
INSERT INTO Lenses VALUES (326, 40, 32.0, 'T2.3', '', '', 'Prime Lens', 1.8, 'Full Frame', 0, 0, 0.0, '', NULL, 46.3, NULL);
INSERT INTO Lenses VALUES (327, 40, 40.0, 'T2.3', '', '', 'Prime Lens', 1.8, 'Full Frame', 0, 0, 0.0, '', NULL, 46.3, NULL);
INSERT INTO Lenses VALUES (328, 40, 50.0, 'T2.3', '', '', 'Prime Lens', 1.8, 'Full Frame', 0, 0, 0.0, '', NULL, 46.3, NULL);
INSERT INTO Lenses VALUES (329, 40, 75.0, 'T2.3', '', '', 'Prime Lens', 1.8, 'Full Frame', 0, 0, 0.0, '', NULL, 46.3, NULL);
INSERT INTO Lenses VALUES (330, 40, 100.0, 'T2.3', '', '', 'Prime Lens', 1.8, 'Full Frame', 0, 0, 0.0, '', NULL, 46.3, NULL);
INSERT INTO Lenses VALUES (331, 40, 135.0, 'T2.3', '', '', 'Prime Lens', 1.8, 'Full Frame', 0, 0, 0.0, '', NULL, 46.3, NULL);
INSERT INTO Lenses VALUES (332, 40, 180.0, 'T2.9', '', '', 'Prime Lens', 1.8, 'Full Frame', 0, 0, 0.0, '', NULL, 46.3, NULL);
INSERT INTO Lenses VALUES (477, 40, 85.0, 'T2.8', '', '', 'Prime Lens', 1.8, 'Full Frame', 0, 0, 0.0, 'Macro', NULL, 46.3, NULL);

INSERT INTO Manufacturer VALUES (41, 'Cooke', 'Varotal/i FF', 'Zoom Lens', 0, 1.0, 0);
INSERT INTO Lenses VALUES (333, 41, 19.0, 'T2.9', '', '0.6m | 2''', 'Zoom Lens', 1.0, 'Full Frame', 0, 0, 40.0, '', NULL, 46.3, 46.3);
INSERT INTO Lenses VALUES (334, 41, 30.0, 'T2.9', '', '0.8m | 2''7"', 'Zoom Lens', 1.0, 'Full Frame', 0, 0, 95.0, '', NULL, 46.3, 46.3);
INSERT INTO Lenses VALUES (335, 41, 85.0, 'T2.9', '', '1.5m | 4''11"', 'Zoom Lens', 1.0, 'Full Frame', 0, 0, 215.0, '', NULL, 46.3, 46.3);

INSERT INTO Manufacturer VALUES (42, 'Angénieux', 'Optimo Ultra 12x', 'Zoom Lens', 0, 1.0, 0);
INSERT INTO Lenses VALUES (339, 42, 24.0, 'T2.8', '', '1.2m | 3''11"', 'Zoom Lens', 1.0, 'Super 35', 0, 0, 290.0, '', NULL, 31.1, 31.1);
INSERT INTO Lenses VALUES (340, 42, 26.0, 'T3.1', '', '1.24m | 4''1"', 'Zoom Lens', 1.0, 'Super 35', 0, 0, 320.0, '', NULL, 34.6, 34.6);
INSERT INTO Lenses VALUES (338, 42, 36.0, 'T4.2', '', '1.52m | 5''', 'Zoom Lens', 1.0, 'Full Frame', 0, 0, 435.0, '', NULL, 46.3, 46.3);

INSERT INTO Manufacturer VALUES (43, 'Angénieux', 'Optimo Ultra Compact FF', 'Zoom Lens', 0, 1.0, 0);
INSERT INTO Lenses VALUES (342, 43, 21.0, 'T2.9', '', '', 'Zoom Lens', 1.0, 'Full Frame', 0, 0, 56.0, '', NULL, 46.3, 46.3);
INSERT INTO Lenses VALUES (341, 43, 37.0, 'T2.9', '', '0.6m | 2''', 'Zoom Lens', 1.0, 'Full Frame', 0, 0, 102.0, '', NULL, 46.3, 46.3);

INSERT INTO Manufacturer VALUES (44, 'Sigma', 'Cine High Speed Zoom', 'Zoom Lens', 0, 1.0, 0);
INSERT INTO Lenses VALUES (345, 44, 18.0, 'T2', '', '0.28m | 11"', 'Zoom Lens', 1.0, 'Super 35', 0, 0, 35.0, '', NULL, 31.0, 31.0);
INSERT INTO Lenses VALUES (344, 44, 50.0, 'T2', '', '1.1m | 3''7"', 'Zoom Lens', 1.0, 'Super 35', 0, 0, 100.0, '', NULL, 31.0, 31.0);

INSERT INTO Manufacturer VALUES (45, 'Sigma', 'Cine FF Zoom', 'Zoom Lens', 0, 1.0, 0);
INSERT INTO Lenses VALUES (346, 45, 28.0, 'T2', '', '0.61m | 2''', 'Zoom Lens', 1.0, 'Full Frame', 0, 0, 45.0, '', NULL, 46.3, 46.3);

INSERT INTO Manufacturer VALUES (46, 'Hawk', 'V-Lite Anamorphic', 'Prime Lens', 0, 2.0, 0);
INSERT INTO Lenses VALUES (349, 46, 28.0, 'T2.2', '', '0.8m | 2''7"', 'Prime Lens', 2.0, 'Super 35', 0, 0, 0.0, '', NULL, 31.1, NULL);
INSERT INTO Lenses VALUES (350, 46, 45.0, 'T2.2', '', '1m | 3''3"', 'Prime Lens', 2.0, 'Super 35', 0, 0, 0.0, '', NULL, 31.1, NULL);
INSERT INTO Lenses VALUES (351, 46, 55.0, 'T2.2', '', '1m | 3''3"', 'Prime Lens', 2.0, 'Super 35', 0, 0, 0.0, '', NULL, 31.1, NULL);
INSERT INTO Lenses VALUES (352, 46, 80.0, 'T2.2', '', '1m | 3''3"', 'Prime Lens', 2.0, 'Super 35', 0, 0, 0.0, '', NULL, 31.1, NULL);
INSERT INTO Lenses VALUES (353, 46, 110.0, 'T3', '', '1m | 3''3"', 'Prime Lens', 2.0, 'Super 35', 0, 0, 0.0, '', NULL, 31.1, NULL);

INSERT INTO Manufacturer VALUES (47, 'Atlas', 'Mercury Anamorphic', 'Prime Lens', 0, 1.5, 0);
INSERT INTO Lenses VALUES (354, 47, 36.0, 'T2.2', '', '', 'Prime Lens', 1.5, '', 0, 0, 0.0, '', NULL, NULL, NULL);
INSERT INTO Lenses VALUES (355, 47, 42.0, 'T2.2', '', '', 'Prime Lens', 1.5, '', 0, 0, 0.0, '', NULL, NULL, NULL);
INSERT INTO Lenses VALUES (356, 47, 54.0, 'T2.2', '', '', 'Prime Lens', 1.5, '', 0, 0, 0.0, '', NULL, NULL, NULL);
INSERT INTO Lenses VALUES (357, 47, 72.0, 'T2.2', '', '', 'Prime Lens', 1.5, '', 0, 0, 0.0, '', NULL, NULL, NULL);
INSERT INTO Lenses VALUES (358, 47, 95.0, 'T2.2', '', '', 'Prime Lens', 1.5, '', 0, 0, 0.0, '', NULL, NULL, NULL);

INSERT INTO Manufacturer VALUES (48, 'ZEISS', 'Nano Prime', 'Prime Lens', 0, 1.0, 0);
INSERT INTO Lenses VALUES (359, 48, 18.0, 'T1.5', '', '0.25m | 10"', 'Prime Lens', 1.0, 'Full Frame', 0, 0, 0.0, '', NULL, 46.3, NULL);
INSERT INTO Lenses VALUES (360, 48, 24.0, 'T1.5', '', '0.35m | 1''2"', 'Prime Lens', 1.0, 'Full Frame', 0, 0, 0.0, '', NULL, 46.3, NULL);
INSERT INTO Lenses VALUES (361, 48, 35.0, 'T1.5', '', '0.45m | 1''6"', 'Prime Lens', 1.0, 'Full Frame', 0, 0, 0.0, '', NULL, 46.3, NULL);
INSERT INTO Lenses VALUES (362, 48, 50.0, 'T1.5', '', '0.5m | 1''8"', 'Prime Lens', 1.0, 'Full Frame', 0, 0, 0.0, '', NULL, 46.3, NULL);
INSERT INTO Lenses VALUES (363, 48, 75.0, 'T1.5', '', '0.75m | 2''6"', 'Prime Lens', 1.0, 'Full Frame', 0, 0, 0.0, '', NULL, 46.3, NULL);
INSERT INTO Lenses VALUES (364, 48, 100.0, 'T1.5', '', '1m | 3''3"', 'Prime Lens', 1.0, 'Full Frame', 0, 0, 0.0, '', NULL, 46.3, NULL);

INSERT INTO Manufacturer VALUES (49, 'Cooke', 'S8/i FF', 'Prime Lens', 0, 1.0, 0);
INSERT INTO Lenses VALUES (365, 49, 18.0, 'T1.4', '', '0.6m | 2''', 'Prime Lens', 1.0, 'Full Frame', 0, 0, 0.0, '', NULL, 46.3, NULL);
INSERT INTO Lenses VALUES (366, 49, 25.0, 'T1.4', '', '', 'Prime Lens', 1.0, 'Full Frame', 0, 0, 0.0, '', NULL, 46.3, NULL);
INSERT INTO Lenses VALUES (367, 49, 32.0, 'T1.4', '', '', 'Prime Lens', 1.0, 'Full Frame', 0, 0, 0.0, '', NULL, 46.3, NULL);
INSERT INTO Lenses VALUES (368, 49, 50.0, 'T1.4', '', '', 'Prime Lens', 1.0, 'Full Frame', 0, 0, 0.0, '', NULL, 46.3, NULL);
INSERT INTO Lenses VALUES (369, 49, 75.0, 'T1.4', '', '', 'Prime Lens', 1.0, 'Full Frame', 0, 0, 0.0, '', NULL, 46.3, NULL);
INSERT INTO Lenses VALUES (370, 49, 100.0, 'T1.4', '', '', 'Prime Lens', 1.0, 'Full Frame', 0, 0, 0.0, '', NULL, 46.3, NULL);
INSERT INTO Lenses VALUES (371, 49, 27.0, 'T1.4', '', '', 'Prime Lens', 1.0, 'Full Frame', 0, 0, 0.0, '', NULL, 46.3, NULL);
INSERT INTO Lenses VALUES (372, 49, 40.0, 'T1.4', '', '', 'Prime Lens', 1.0, 'Full Frame', 0, 0, 0.0, '', NULL, 46.31, NULL);
INSERT INTO Lenses VALUES (373, 49, 65.0, 'T1.4', '', '', 'Prime Lens', 1.0, 'Full Frame', 0, 0, 0.0, '', NULL, 46.3, NULL);

INSERT INTO Manufacturer VALUES (50, 'Cooke', 'SP3', 'Prime Lens', 0, 1.0, 0);
INSERT INTO Lenses VALUES (374, 50, 25.0, 'T2.4', '', '', 'Prime Lens', 1.0, '', 0, 0, 0.0, '', NULL, 43.3, NULL);
INSERT INTO Lenses VALUES (375, 50, 32.0, 'T2.4', '', '', 'Prime Lens', 1.0, '', 0, 0, 0.0, '', NULL, NULL, NULL);
INSERT INTO Lenses VALUES (376, 50, 50.0, 'T2.4', '', '', 'Prime Lens', 1.0, '', 0, 0, 0.0, '', NULL, 43.3, NULL);
INSERT INTO Lenses VALUES (377, 50, 75.0, 'T2.4', '', '', 'Prime Lens', 1.0, '', 0, 0, 0.0, '', NULL, NULL, NULL);
INSERT INTO Lenses VALUES (378, 50, 100.0, 'T2.4', '', '', 'Prime Lens', 1.0, '', 0, 0, 0.0, '', NULL, 43.3, NULL);

INSERT INTO Manufacturer VALUES (51, 'Angénieux', 'Optimo Prime', 'Prime Lens', 0, 1.0, 0);
INSERT INTO Lenses VALUES (379, 51, 18.0, 'T2', '', '', 'Prime Lens', 1.0, 'Full Frame', 0, 0, 0.0, '', NULL, NULL, NULL);
INSERT INTO Lenses VALUES (380, 51, 21.0, 'T1.8', '', '', 'Prime Lens', 1.0, 'Full Frame', 0, 0, 0.0, '', NULL, NULL, NULL);
INSERT INTO Lenses VALUES (381, 51, 24.0, 'T1.8', '', '', 'Prime Lens', 1.0, 'Full Frame', 0, 0, 0.0, '', NULL, NULL, NULL);
INSERT INTO Lenses VALUES (382, 51, 28.0, 'T1.8', '', '', 'Prime Lens', 1.0, 'Full Frame', 0, 0, 0.0, '', NULL, NULL, NULL);
INSERT INTO Lenses VALUES (383, 51, 32.0, 'T1.8', '', '', 'Prime Lens', 1.0, 'Full Frame', 0, 0, 0.0, '', NULL, NULL, NULL);
INSERT INTO Lenses VALUES (384, 51, 40.0, 'T1.8', '', '', 'Prime Lens', 1.0, 'Full Frame', 0, 0, 0.0, '', NULL, NULL, NULL);
INSERT INTO Lenses VALUES (385, 51, 50.0, 'T1.8', '', '', 'Prime Lens', 1.0, 'Full Frame', 0, 0, 0.0, '', NULL, NULL, NULL);
INSERT INTO Lenses VALUES (386, 51, 60.0, 'T1.8', '', '', 'Prime Lens', 1.0, 'Full Frame', 0, 0, 0.0, '', NULL, NULL, NULL);
INSERT INTO Lenses VALUES (387, 51, 75.0, 'T1.8', '', '', 'Prime Lens', 1.0, 'Full Frame', 0, 0, 0.0, '', NULL, NULL, NULL);
INSERT INTO Lenses VALUES (388, 51, 100.0, 'T1.8', '', '', 'Prime Lens', 1.0, 'Full Frame', 0, 0, 0.0, '', NULL, NULL, NULL);
INSERT INTO Lenses VALUES (389, 51, 135.0, 'T1.8', '', '', 'Prime Lens', 1.0, 'Full Frame', 0, 0, 0.0, '', NULL, NULL, NULL);
INSERT INTO Lenses VALUES (390, 51, 200.0, 'T2.2', '', '', 'Prime Lens', 1.0, 'Full Frame', 0, 0, 0.0, '', NULL, NULL, NULL);

INSERT INTO Manufacturer VALUES (52, 'Tokina', 'Vista', 'Prime Lens', 0, 1.0, 0);
INSERT INTO Lenses VALUES (392, 52, 18.0, 'T1.5', '', '', 'Prime Lens', 1.0, 'Full Frame', 0, 0, 0.0, '', NULL, NULL, NULL);
INSERT INTO Lenses VALUES (393, 52, 21.0, 'T1.5', '', '', 'Prime Lens', 1.0, 'Full Frame', 0, 0, 0.0, '', NULL, NULL, NULL);
INSERT INTO Lenses VALUES (394, 52, 25.0, 'T1.5', '', '', 'Prime Lens', 1.0, 'Full Frame', 0, 0, 0.0, '', NULL, NULL, NULL);
INSERT INTO Lenses VALUES (395, 52, 35.0, 'T1.5', '', '', 'Prime Lens', 1.0, 'Full Frame', 0, 0, 0.0, '', NULL, NULL, NULL);
INSERT INTO Lenses VALUES (396, 52, 40.0, 'T1.5', '', '', 'Prime Lens', 1.0, 'Full Frame', 0, 0, 0.0, '', NULL, NULL, NULL);
INSERT INTO Lenses VALUES (397, 52, 50.0, 'T1.5', '', '', 'Prime Lens', 1.0, 'Full Frame', 0, 0, 0.0, '', NULL, NULL, NULL);
INSERT INTO Lenses VALUES (398, 52, 65.0, 'T1.5', '', '', 'Prime Lens', 1.0, 'Full Frame', 0, 0, 0.0, '', NULL, NULL, NULL);
INSERT INTO Lenses VALUES (399, 52, 85.0, 'T1.5', '', '', 'Prime Lens', 1.0, 'Full Frame', 0, 0, 0.0, '', NULL, NULL, NULL);
INSERT INTO Lenses VALUES (400, 52, 105.0, 'T1.5', '', '', 'Prime Lens', 1.0, 'Full Frame', 0, 0, 0.0, '', NULL, NULL, NULL);

INSERT INTO Manufacturer VALUES (53, 'DZOFilm', 'Vespid Prime', 'Prime Lens', 0, 1.0, 0);
INSERT INTO Lenses VALUES (401, 53, 12.0, 'T2.8', '', '', 'Prime Lens', 1.0, '', 0, 0, 0.0, '', NULL, NULL, NULL);
INSERT INTO Lenses VALUES (402, 53, 16.0, 'T2.8', '', '', 'Prime Lens', 1.0, '', 0, 0, 0.0, '', NULL, NULL, NULL);
INSERT INTO Lenses VALUES (403, 53, 21.0, 'T2.1', '', '', 'Prime Lens', 1.0, '', 0, 0, 0.0, '', NULL, NULL, NULL);
INSERT INTO Lenses VALUES (404, 53, 25.0, 'T2.1', '', '', 'Prime Lens', 1.0, '', 0, 0, 0.0, '', NULL, NULL, NULL);
INSERT INTO Lenses VALUES (405, 53, 35.0, 'T2.1', '', '', 'Prime Lens', 1.0, '', 0, 0, 0.0, '', NULL, NULL, NULL);
INSERT INTO Lenses VALUES (406, 53, 40.0, 'T2.1', '', '', 'Prime Lens', 1.0, '', 0, 0, 0.0, '', NULL, NULL, NULL);
INSERT INTO Lenses VALUES (407, 53, 50.0, 'T2.1', '', '', 'Prime Lens', 1.0, '', 0, 0, 0.0, '', NULL, NULL, NULL);
INSERT INTO Lenses VALUES (408, 53, 75.0, 'T2.1', '', '', 'Prime Lens', 1.0, '', 0, 0, 0.0, '', NULL, NULL, NULL);
INSERT INTO Lenses VALUES (409, 53, 90.0, 'T2.8', '', '', 'Prime Lens', 1.0, '', 0, 0, 0.0, '', NULL, NULL, NULL);
INSERT INTO Lenses VALUES (410, 53, 100.0, 'T2.1', '', '', 'Prime Lens', 1.0, '', 0, 0, 0.0, '', NULL, NULL, NULL);
INSERT INTO Lenses VALUES (411, 53, 125.0, 'T2.1', '', '', 'Prime Lens', 1.0, '', 0, 0, 0.0, '', NULL, NULL, NULL);

INSERT INTO Manufacturer VALUES (54, 'DZOFilm', 'Catta Ace Zoom', 'Zoom Lens', 0, 1.0, 0);
INSERT INTO Lenses VALUES (412, 54, 18.0, 'T2.9', '', '', 'Zoom Lens', 1.0, 'Full Frame', 0, 0, 35.0, '', NULL, NULL, NULL);
INSERT INTO Lenses VALUES (413, 54, 35.0, 'T2.9', '', '', 'Zoom Lens', 1.0, 'Full Frame', 0, 0, 80.0, '', NULL, NULL, NULL);
INSERT INTO Lenses VALUES (414, 54, 70.0, 'T2.9', '', '', 'Zoom Lens', 1.0, 'Full Frame', 0, 0, 135.0, '', NULL, NULL, NULL);

INSERT INTO Manufacturer VALUES (55, 'DZOFilm', 'Pictor Zoom', 'Zoom Lens', 0, 1.0, 0);
INSERT INTO Lenses VALUES (415, 55, 12.0, 'T2.8', '', '', 'Zoom Lens', 1.0, 'Super 35', 0, 0, 25.0, '', NULL, NULL, NULL);
INSERT INTO Lenses VALUES (416, 55, 14.0, 'T2.8', '', '', 'Zoom Lens', 1.0, 'Super 35', 0, 0, 30.0, '', NULL, NULL, NULL);
INSERT INTO Lenses VALUES (417, 55, 20.0, 'T2.8', '', '', 'Zoom Lens', 1.0, 'Super 35', 0, 0, 55.0, '', NULL, NULL, NULL);
INSERT INTO Lenses VALUES (418, 55, 50.0, 'T2.8', '', '', 'Zoom Lens', 1.0, 'Super 35', 0, 0, 125.0, '', NULL, NULL, NULL);

INSERT INTO Manufacturer VALUES (56, 'Sigma', 'Cine Classic Prime FF', 'Prime Lens', 0, 1.0, 0);
INSERT INTO Lenses VALUES (419, 56, 14.0, 'T2.5', '', '', 'Prime Lens', 1.0, 'Full Frame', 0, 0, 0.0, '', NULL, NULL, NULL);
INSERT INTO Lenses VALUES (420, 56, 20.0, 'T2.5', '', '', 'Prime Lens', 1.0, 'Full Frame', 0, 0, 0.0, '', NULL, NULL, NULL);
INSERT INTO Lenses VALUES (421, 56, 24.0, 'T2.5', '', '', 'Prime Lens', 1.0, 'Full Frame', 0, 0, 0.0, '', NULL, NULL, NULL);
INSERT INTO Lenses VALUES (422, 56, 28.0, 'T2.5', '', '', 'Prime Lens', 1.0, 'Full Frame', 0, 0, 0.0, '', NULL, NULL, NULL);
INSERT INTO Lenses VALUES (423, 56, 35.0, 'T2.5', '', '', 'Prime Lens', 1.0, 'Full Frame', 0, 0, 0.0, '', NULL, NULL, NULL);
INSERT INTO Lenses VALUES (424, 56, 40.0, 'T2.5', '', '', 'Prime Lens', 1.0, 'Full Frame', 0, 0, 0.0, '', NULL, NULL, NULL);
INSERT INTO Lenses VALUES (425, 56, 50.0, 'T2.5', '', '', 'Prime Lens', 1.0, 'Full Frame', 0, 0, 0.0, '', NULL, NULL, NULL);
INSERT INTO Lenses VALUES (426, 56, 65.0, 'T2.5', '', '', 'Prime Lens', 1.0, 'Full Frame', 0, 0, 0.0, '', NULL, NULL, NULL);
INSERT INTO Lenses VALUES (427, 56, 85.0, 'T2.5', '', '', 'Prime Lens', 1.0, 'Full Frame', 0, 0, 0.0, '', NULL, NULL, NULL);
INSERT INTO Lenses VALUES (428, 56, 105.0, 'T2.5', '', '', 'Prime Lens', 1.0, 'Full Frame', 0, 0, 0.0, '', NULL, NULL, NULL);
INSERT INTO Lenses VALUES (429, 56, 135.0, 'T2.5', '', '', 'Prime Lens', 1.0, 'Full Frame', 0, 0, 0.0, '', NULL, NULL, NULL);

INSERT INTO Manufacturer VALUES (57, 'ZEISS', 'Super Speed MK I', 'Prime Lens', 0, 1.0, 0);
INSERT INTO Lenses VALUES (430, 57, 18.0, 'T1.4', '', '', 'Prime Lens', 1.0, '', 0, 0, 0.0, '', NULL, NULL, NULL);
INSERT INTO Lenses VALUES (431, 57, 25.0, 'T1.4', '', '', 'Prime Lens', 1.0, '', 0, 0, 0.0, '', NULL, NULL, NULL);
INSERT INTO Lenses VALUES (432, 57, 35.0, 'T1.4', '', '', 'Prime Lens', 1.0, '', 0, 0, 0.0, '', NULL, NULL, NULL);
INSERT INTO Lenses VALUES (433, 57, 50.0, 'T1.4', '', '', 'Prime Lens', 1.0, '', 0, 0, 0.0, '', NULL, NULL, NULL);
INSERT INTO Lenses VALUES (434, 57, 85.0, 'T1.4', '', '', 'Prime Lens', 1.0, '', 0, 0, 0.0, '', NULL, NULL, NULL);

INSERT INTO Manufacturer VALUES (58, 'Canon', 'K-35', 'Prime Lens', 0, 1.0, 0);
INSERT INTO Lenses VALUES (435, 58, 18.0, 'T2.8', '', '', 'Prime Lens', 1.0, 'Full Frame', 0, 0, 0.0, '', NULL, NULL, NULL);
INSERT INTO Lenses VALUES (436, 58, 24.0, 'T1.5', '', '', 'Prime Lens', 1.0, 'Full Frame', 0, 0, 0.0, '', NULL, NULL, NULL);
INSERT INTO Lenses VALUES (437, 58, 35.0, 'T1.4', '', '', 'Prime Lens', 1.0, 'Full Frame', 0, 0, 0.0, '', NULL, NULL, NULL);
INSERT INTO Lenses VALUES (438, 58, 55.0, 'T1.4', '', '', 'Prime Lens', 1.0, 'Full Frame', 0, 0, 0.0, '', NULL, NULL, NULL);
INSERT INTO Lenses VALUES (439, 58, 85.0, 'T1.4', '', '', 'Prime Lens', 1.0, 'Full Frame', 0, 0, 0.0, '', NULL, NULL, NULL);

INSERT INTO Manufacturer VALUES (59, 'Cooke', 'Speed Panchro', 'Prime Lens', 0, 1.0, 0);
INSERT INTO Lenses VALUES (440, 59, 18.0, 'T2.2', '', '', 'Prime Lens', 1.0, '', 0, 0, 0.0, '', NULL, NULL, NULL);
INSERT INTO Lenses VALUES (441, 59, 25.0, 'T2.2', '', '', 'Prime Lens', 1.0, '', 0, 0, 0.0, '', NULL, NULL, NULL);
INSERT INTO Lenses VALUES (442, 59, 32.0, 'T2.3', '', '', 'Prime Lens', 1.0, '', 0, 0, 0.0, '', NULL, NULL, NULL);
INSERT INTO Lenses VALUES (443, 59, 40.0, 'T2.3', '', '', 'Prime Lens', 1.0, '', 0, 0, 0.0, '', NULL, NULL, NULL);
INSERT INTO Lenses VALUES (444, 59, 50.0, 'T2.3', '', '', 'Prime Lens', 1.0, '', 0, 0, 0.0, '', NULL, NULL, NULL);
INSERT INTO Lenses VALUES (445, 59, 75.0, 'T2.3', '', '', 'Prime Lens', 1.0, '', 0, 0, 0.0, '', NULL, NULL, NULL);
INSERT INTO Lenses VALUES (446, 59, 100.0, 'T2.8', '', '', 'Prime Lens', 1.0, '', 0, 0, 0.0, '', NULL, NULL, NULL);

INSERT INTO Manufacturer VALUES (60, 'Panavision', 'C-Series Anamorphic', 'Prime Lens', 0, 2.0, 0);
INSERT INTO Lenses VALUES (447, 60, 35.0, 'T2.3', 'PV', '', 'Prime Lens', 2.0, '', 0, 0, 0.0, '', NULL, NULL, NULL);
INSERT INTO Lenses VALUES (448, 60, 40.0, 'T2.8', 'PV', '', 'Prime Lens', 2.0, '', 0, 0, 0.0, '', NULL, NULL, NULL);
INSERT INTO Lenses VALUES (449, 60, 50.0, 'T2.3', 'PV', '', 'Prime Lens', 2.0, '', 0, 0, 0.0, '', NULL, NULL, NULL);
INSERT INTO Lenses VALUES (450, 60, 75.0, 'T2.5', 'PV', '', 'Prime Lens', 2.0, '', 0, 0, 0.0, '', NULL, NULL, NULL);
INSERT INTO Lenses VALUES (451, 60, 100.0, 'T2.8', 'PV', '', 'Prime Lens', 2.0, '', 0, 0, 0.0, '', NULL, NULL, NULL);

INSERT INTO Manufacturer VALUES (61, 'Panavision', 'E-Series Anamorphic', 'Prime Lens', 0, 2.0, 0);
INSERT INTO Lenses VALUES (452, 61, 35.0, 'T2', '', '', 'Prime Lens', 2.0, '', 0, 0, 0.0, '', NULL, NULL, NULL);
INSERT INTO Lenses VALUES (453, 61, 50.0, 'T2', '', '', 'Prime Lens', 2.0, '', 0, 0, 0.0, '', NULL, NULL, NULL);
INSERT INTO Lenses VALUES (454, 61, 75.0, 'T2', '', '', 'Prime Lens', 2.0, '', 0, 0, 0.0, '', NULL, NULL, NULL);

INSERT INTO Manufacturer VALUES (62, 'Panavision', 'Primo Anamorphic', 'Prime Lens', 0, 2.0, 0);
INSERT INTO Lenses VALUES (455, 62, 35.0, 'T2', '', '', 'Prime Lens', 2.0, '', 0, 0, 0.0, '', NULL, NULL, NULL);
INSERT INTO Lenses VALUES (456, 62, 50.0, 'T2', '', '', 'Prime Lens', 2.0, '', 0, 0, 0.0, '', NULL, NULL, NULL);
INSERT INTO Lenses VALUES (457, 62, 100.0, 'T2', '', '', 'Prime Lens', 2.0, '', 0, 0, 0.0, '', NULL, NULL, NULL);

INSERT INTO Manufacturer VALUES (63, 'Blazar', 'Remus Anamorphic', 'Prime Lens', 0, 1.5, 0);
INSERT INTO Lenses VALUES (458, 63, 33.0, 'T1.6', '', '', 'Prime Lens', 1.5, 'Full Frame', 0, 0, 0.0, '', NULL, NULL, NULL);
INSERT INTO Lenses VALUES (459, 63, 45.0, 'T2', '', '', 'Prime Lens', 1.5, 'Full Frame', 0, 0, 0.0, '', NULL, NULL, NULL);
INSERT INTO Lenses VALUES (460, 63, 50.0, 'T2', '', '', 'Prime Lens', 1.5, 'Full Frame', 0, 0, 0.0, '', NULL, NULL, NULL);
INSERT INTO Lenses VALUES (461, 63, 65.0, 'T2', '', '', 'Prime Lens', 1.5, 'Full Frame', 0, 0, 0.0, '', NULL, NULL, NULL);
INSERT INTO Lenses VALUES (462, 63, 85.0, 'T2.8', '', '', 'Prime Lens', 1.5, 'Full Frame', 0, 0, 0.0, '', NULL, NULL, NULL);
INSERT INTO Lenses VALUES (463, 63, 100.0, 'T2.8', '', '', 'Prime Lens', 1.5, 'Full Frame', 0, 0, 0.0, '', NULL, NULL, NULL);
INSERT INTO Lenses VALUES (464, 63, 125.0, 'T4', '', '', 'Prime Lens', 1.5, 'Full Frame', 0, 0, 0.0, '', NULL, NULL, NULL);

INSERT INTO Manufacturer VALUES (64, 'Blazar', 'Cato Anamorphic', 'Prime Lens', 0, 2.0, 0);
INSERT INTO Lenses VALUES (465, 64, 40.0, 'T2', '', '', 'Prime Lens', 2.0, 'Full Frame', 0, 0, 0.0, '', NULL, NULL, NULL);
INSERT INTO Lenses VALUES (466, 64, 55.0, 'T2', '', '', 'Prime Lens', 2.0, 'Full Frame', 0, 0, 0.0, '', NULL, NULL, NULL);
INSERT INTO Lenses VALUES (467, 64, 85.0, 'T2.8', '', '', 'Prime Lens', 2.0, 'Full Frame', 0, 0, 0.0, '', NULL, NULL, NULL);
INSERT INTO Lenses VALUES (468, 64, 125.0, 'T4', '', '', 'Prime Lens', 2.0, 'Full Frame', 0, 0, 0.0, '', NULL, NULL, NULL);

INSERT INTO Manufacturer VALUES (65, 'Sirui', 'Vision Prime 1', 'Prime Lens', 0, 1.0, 0);
INSERT INTO Lenses VALUES (471, 65, 24.0, 'T1.4', '', '', 'Prime Lens', 1.0, '', 0, 0, 0.0, '', NULL, NULL, NULL);
INSERT INTO Lenses VALUES (472, 65, 35.0, 'T1.4', '', '', 'Prime Lens', 1.0, '', 0, 0, 0.0, '', NULL, NULL, NULL);
INSERT INTO Lenses VALUES (473, 65, 50.0, 'T1.4', '', '', 'Prime Lens', 1.0, '', 0, 0, 0.0, '', NULL, NULL, NULL);

INSERT INTO Manufacturer VALUES (66, 'Cooke', 'Panchro/i Classic FF', 'Prime Lens', 0, 1.0, 0);
INSERT INTO Lenses VALUES (480, 66, 18.0, 'T2.2', '', '', 'Prime Lens', 1.0, 'Full Frame', 0, 0, 0.0, '', NULL, NULL, NULL);
INSERT INTO Lenses VALUES (481, 66, 21.0, 'T2.2', '', '', 'Prime Lens', 1.0, 'Full Frame', 0, 0, 0.0, '', NULL, NULL, NULL);
INSERT INTO Lenses VALUES (482, 66, 25.0, 'T2.2', '', '', 'Prime Lens', 1.0, 'Full Frame', 0, 0, 0.0, '', NULL, NULL, NULL);
INSERT INTO Lenses VALUES (483, 66, 27.0, 'T2.2', '', '', 'Prime Lens', 1.0, 'Full Frame', 0, 0, 0.0, '', NULL, NULL, NULL);
INSERT INTO Lenses VALUES (484, 66, 32.0, 'T2.2', '', '', 'Prime Lens', 1.0, 'Full Frame', 0, 0, 0.0, '', NULL, NULL, NULL);
INSERT INTO Lenses VALUES (485, 66, 40.0, 'T2.2', '', '', 'Prime Lens', 1.0, 'Full Frame', 0, 0, 0.0, '', NULL, NULL, NULL);
INSERT INTO Lenses VALUES (486, 66, 50.0, 'T2.2', '', '', 'Prime Lens', 1.0, 'Full Frame', 0, 0, 0.0, '', NULL, NULL, NULL);
INSERT INTO Lenses VALUES (487, 66, 65.0, 'T2.4', '', '', 'Prime Lens', 1.0, 'Full Frame', 0, 0, 0.0, 'Macro', NULL, NULL, NULL);
INSERT INTO Lenses VALUES (488, 66, 75.0, 'T2.2', '', '', 'Prime Lens', 1.0, 'Full Frame', 0, 0, 0.0, '', NULL, NULL, NULL);
INSERT INTO Lenses VALUES (489, 66, 100.0, 'T2.6', '', '', 'Prime Lens', 1.0, 'Full Frame', 0, 0, 0.0, '', NULL, NULL, NULL);
INSERT INTO Lenses VALUES (490, 66, 135.0, 'T2.8', '', '', 'Prime Lens', 1.0, 'Full Frame', 0, 0, 0.0, '', NULL, NULL, NULL);
INSERT INTO Lenses VALUES (491, 66, 152.0, 'T3.0', '', '', 'Prime Lens', 1.0, 'Full Frame', 0, 0, 0.0, '', NULL, NULL, NULL);

INSERT INTO Manufacturer VALUES (67, 'Cooke', 'AP3 Anamorphic', 'Prime Lens', 0, 1.5, 0);
INSERT INTO Lenses VALUES (492, 67, 35.0, 'T2.4', '', '', 'Prime Lens', 1.5, '', 0, 0, 0.0, '', NULL, NULL, NULL);
INSERT INTO Lenses VALUES (493, 67, 50.0, 'T2.4', '', '', 'Prime Lens', 1.5, '', 0, 0, 0.0, '', NULL, NULL, NULL);
INSERT INTO Lenses VALUES (494, 67, 85.0, 'T2.4', '', '', 'Prime Lens', 1.5, '', 0, 0, 0.0, '', NULL, NULL, NULL);

INSERT INTO Manufacturer VALUES (68, 'Leitz', 'ELSIE', 'Prime Lens', 0, 1.0, 0);
INSERT INTO Lenses VALUES (495, 68, 15.0, 'T2.1', '', '', 'Prime Lens', 1.0, '', 0, 0, 0.0, '', NULL, NULL, NULL);
INSERT INTO Lenses VALUES (496, 68, 18.0, 'T2.1', '', '', 'Prime Lens', 1.0, '', 0, 0, 0.0, '', NULL, NULL, NULL);
INSERT INTO Lenses VALUES (497, 68, 21.0, 'T2.1', '', '', 'Prime Lens', 1.0, '', 0, 0, 0.0, '', NULL, NULL, NULL);
INSERT INTO Lenses VALUES (498, 68, 25.0, 'T2.1', '', '', 'Prime Lens', 1.0, '', 0, 0, 0.0, '', NULL, NULL, NULL);
INSERT INTO Lenses VALUES (499, 68, 29.0, 'T2.1', '', '', 'Prime Lens', 1.0, '', 0, 0, 0.0, '', NULL, NULL, NULL);
INSERT INTO Lenses VALUES (500, 68, 35.0, 'T2.1', '', '', 'Prime Lens', 1.0, '', 0, 0, 0.0, '', NULL, NULL, NULL);
INSERT INTO Lenses VALUES (501, 68, 40.0, 'T2.1', '', '', 'Prime Lens', 1.0, '', 0, 0, 0.0, '', NULL, NULL, NULL);
INSERT INTO Lenses VALUES (502, 68, 50.0, 'T2.1', '', '', 'Prime Lens', 1.0, '', 0, 0, 0.0, '', NULL, NULL, NULL);
INSERT INTO Lenses VALUES (503, 68, 65.0, 'T2.1', '', '', 'Prime Lens', 1.0, '', 0, 0, 0.0, '', NULL, NULL, NULL);
INSERT INTO Lenses VALUES (504, 68, 75.0, 'T2.1', '', '', 'Prime Lens', 1.0, '', 0, 0, 0.0, '', NULL, NULL, NULL);
INSERT INTO Lenses VALUES (505, 68, 100.0, 'T2.1', '', '', 'Prime Lens', 1.0, '', 0, 0, 0.0, '', NULL, NULL, NULL);
INSERT INTO Lenses VALUES (506, 68, 125.0, 'T2.1', '', '', 'Prime Lens', 1.0, '', 0, 0, 0.0, '', NULL, NULL, NULL);
INSERT INTO Lenses VALUES (507, 68, 150.0, 'T2.1', '', '', 'Prime Lens', 1.0, '', 0, 0, 0.0, '', NULL, NULL, NULL);

INSERT INTO Manufacturer VALUES (69, 'Leitz', 'HUGO', 'Prime Lens', 0, 1.0, 0);
INSERT INTO Lenses VALUES (508, 69, 18.0, 'T1.5', '', '', 'Prime Lens', 1.0, '', 0, 0, 0.0, '', NULL, NULL, NULL);
INSERT INTO Lenses VALUES (509, 69, 21.0, 'T1.5', '', '', 'Prime Lens', 1.0, '', 0, 0, 0.0, '', NULL, NULL, NULL);
INSERT INTO Lenses VALUES (510, 69, 24.0, 'T1.5', '', '', 'Prime Lens', 1.0, '', 0, 0, 0.0, '', NULL, NULL, NULL);
INSERT INTO Lenses VALUES (511, 69, 28.0, 'T1.5', '', '', 'Prime Lens', 1.0, '', 0, 0, 0.0, '', NULL, NULL, NULL);
INSERT INTO Lenses VALUES (512, 69, 35.0, 'T1.5', '', '', 'Prime Lens', 1.0, '', 0, 0, 0.0, '', NULL, NULL, NULL);
INSERT INTO Lenses VALUES (513, 69, 40.0, 'T1.5', '', '', 'Prime Lens', 1.0, '', 0, 0, 0.0, '', NULL, NULL, NULL);
INSERT INTO Lenses VALUES (514, 69, 50.0, 'T1.5', '', '', 'Prime Lens', 1.0, '', 0, 0, 0.0, '', NULL, NULL, NULL);
INSERT INTO Lenses VALUES (515, 69, 75.0, 'T1.5', '', '', 'Prime Lens', 1.0, '', 0, 0, 0.0, '', NULL, NULL, NULL);
INSERT INTO Lenses VALUES (516, 69, 90.0, 'T1.5', '', '', 'Prime Lens', 1.0, '', 0, 0, 0.0, '', NULL, NULL, NULL);
INSERT INTO Lenses VALUES (517, 69, 135.0, 'T1.9', '', '', 'Prime Lens', 1.0, '', 0, 0, 0.0, '', NULL, NULL, NULL);

INSERT INTO Manufacturer VALUES (70, 'Leitz', 'Thalia', 'Prime Lens', 0, 1.0, 0);
INSERT INTO Lenses VALUES (518, 70, 24.0, 'T3.6', '', '', 'Prime Lens', 1.0, '', 0, 0, 0.0, '', NULL, NULL, NULL);
INSERT INTO Lenses VALUES (519, 70, 30.0, 'T2.9', '', '', 'Prime Lens', 1.0, '', 0, 0, 0.0, '', NULL, NULL, NULL);
INSERT INTO Lenses VALUES (520, 70, 35.0, 'T2.6', '', '', 'Prime Lens', 1.0, '', 0, 0, 0.0, '', NULL, NULL, NULL);
INSERT INTO Lenses VALUES (521, 70, 45.0, 'T2.9', '', '', 'Prime Lens', 1.0, '', 0, 0, 0.0, '', NULL, NULL, NULL);
INSERT INTO Lenses VALUES (522, 70, 55.0, 'T2.8', '', '', 'Prime Lens', 1.0, '', 0, 0, 0.0, '', NULL, NULL, NULL);
INSERT INTO Lenses VALUES (523, 70, 70.0, 'T2.6', '', '', 'Prime Lens', 1.0, '', 0, 0, 0.0, '', NULL, NULL, NULL);
INSERT INTO Lenses VALUES (524, 70, 90.0, 'T2.2', '', '', 'Prime Lens', 1.0, '', 0, 0, 0.0, '', NULL, NULL, NULL);
INSERT INTO Lenses VALUES (525, 70, 100.0, 'T2.2', '', '', 'Prime Lens', 1.0, '', 0, 0, 0.0, '', NULL, NULL, NULL);
INSERT INTO Lenses VALUES (526, 70, 120.0, 'T2.6', '', '', 'Prime Lens', 1.0, '', 0, 0, 0.0, '', NULL, NULL, NULL);
INSERT INTO Lenses VALUES (527, 70, 180.0, 'T3.6', '', '', 'Prime Lens', 1.0, '', 0, 0, 0.0, '', NULL, NULL, NULL);

INSERT INTO Manufacturer VALUES (71, 'Angénieux', 'Optimo Type EZ-1', 'Zoom Lens', 0, 1.0, 0);
INSERT INTO Lenses VALUES (528, 71, 30.0, 'T2', '', '', 'Zoom Lens', 1.0, 'Super 35', 0, 0, 90.0, '', NULL, NULL, NULL);
INSERT INTO Lenses VALUES (529, 71, 45.0, 'T3', '', '', 'Zoom Lens', 1.0, 'Full Frame', 0, 0, 135.0, '', NULL, NULL, NULL);

INSERT INTO Manufacturer VALUES (72, 'Angénieux', 'Optimo Type EZ-2', 'Zoom Lens', 0, 1.0, 0);
INSERT INTO Lenses VALUES (530, 72, 15.0, 'T2', '', '', 'Zoom Lens', 1.0, 'Super 35', 0, 0, 40.0, '', NULL, NULL, NULL);
INSERT INTO Lenses VALUES (531, 72, 22.0, 'T3', '', '', 'Zoom Lens', 1.0, 'Full Frame', 0, 0, 60.0, '', NULL, NULL, NULL);

INSERT INTO Manufacturer VALUES (73, 'Angénieux', 'Optimo Type EZ-3', 'Zoom Lens', 0, 1.0, 0);
INSERT INTO Lenses VALUES (532, 73, 45.0, 'T2.3', '', '', 'Zoom Lens', 1.0, 'Super 35', 0, 0, 165.0, '', NULL, NULL, NULL);
INSERT INTO Lenses VALUES (533, 73, 68.0, 'T3.5', '', '', 'Zoom Lens', 1.0, 'Full Frame', 0, 0, 250.0, '', NULL, NULL, NULL);

INSERT INTO Manufacturer VALUES (74, 'ZEISS', 'Lightweight Zoom LWZ.3', 'Zoom Lens', 0, 1.0, 0);
INSERT INTO Lenses VALUES (534, 74, 21.0, 'T2.9', '', '', 'Zoom Lens', 1.0, 'Super 35', 0, 0, 100.0, '', NULL, NULL, NULL);

INSERT INTO Manufacturer VALUES (75, 'Laowa', 'Proteus 2x Anamorphic', 'Prime Lens', 0, 2.0, 0);
INSERT INTO Lenses VALUES (535, 75, 35.0, 'T2', '', '', 'Prime Lens', 2.0, 'Full Frame', 0, 0, 0.0, '', NULL, NULL, NULL);
INSERT INTO Lenses VALUES (536, 75, 45.0, 'T2', '', '', 'Prime Lens', 2.0, 'Full Frame', 0, 0, 0.0, '', NULL, NULL, NULL);
INSERT INTO Lenses VALUES (537, 75, 60.0, 'T2', '', '', 'Prime Lens', 2.0, 'Full Frame', 0, 0, 0.0, '', NULL, NULL, NULL);
INSERT INTO Lenses VALUES (538, 75, 85.0, 'T2', '', '', 'Prime Lens', 2.0, 'Full Frame', 0, 0, 0.0, '', NULL, NULL, NULL);

INSERT INTO Manufacturer VALUES (76, 'Kowa', 'Anamorphic Prominar', 'Prime Lens', 0, 2.0, 0);
INSERT INTO Lenses VALUES (539, 76, 40.0, 'T2.3', '', '', 'Prime Lens', 2.0, '', 0, 0, 0.0, '', NULL, NULL, NULL);
INSERT INTO Lenses VALUES (540, 76, 50.0, 'T2.3', '', '', 'Prime Lens', 2.0, '', 0, 0, 0.0, '', NULL, NULL, NULL);
INSERT INTO Lenses VALUES (541, 76, 75.0, 'T2.8', '', '', 'Prime Lens', 2.0, '', 0, 0, 0.0, '', NULL, NULL, NULL);
INSERT INTO Lenses VALUES (542, 76, 100.0, 'T3.4', '', '', 'Prime Lens', 2.0, '', 0, 0, 0.0, '', NULL, NULL, NULL);

INSERT INTO Manufacturer VALUES (77, 'Tokina', 'Vista One', 'Prime Lens', 0, 1.0, 0);
INSERT INTO Lenses VALUES (543, 77, 135.0, 'T1.5', '', '', 'Prime Lens', 1.0, 'Full Frame', 0, 0, 0.0, '', NULL, NULL, NULL);

INSERT INTO Manufacturer VALUES (78, 'DZOFilm', 'Vespid Prime 2', 'Prime Lens', 0, 1.0, 0);
INSERT INTO Lenses VALUES (544, 78, 18.0, 'T1.9', '', '', 'Prime Lens', 1.0, '', 0, 0, 0.0, '', NULL, NULL, NULL);
INSERT INTO Lenses VALUES (545, 78, 24.0, 'T1.9', '', '', 'Prime Lens', 1.0, '', 0, 0, 0.0, '', NULL, NULL, NULL);
INSERT INTO Lenses VALUES (546, 78, 35.0, 'T1.9', '', '', 'Prime Lens', 1.0, '', 0, 0, 0.0, '', NULL, NULL, NULL);
INSERT INTO Lenses VALUES (547, 78, 50.0, 'T1.9', '', '', 'Prime Lens', 1.0, '', 0, 0, 0.0, '', NULL, NULL, NULL);
INSERT INTO Lenses VALUES (548, 78, 85.0, 'T1.9', '', '', 'Prime Lens', 1.0, '', 0, 0, 0.0, '', NULL, NULL, NULL);
INSERT INTO Lenses VALUES (549, 78, 105.0, 'T1.9', '', '', 'Prime Lens', 1.0, '', 0, 0, 0.0, '', NULL, NULL, NULL);

INSERT INTO Manufacturer VALUES (250, 'Generic', 'Prime Lenses', 'Prime Lens', 0, 1.0, 0);
INSERT INTO Lenses VALUES (254, 250, 8.0, '', '', '', 'Prime Lens', 1.0, '', 0, 0, 0.0, '', NULL, NULL, NULL);
INSERT INTO Lenses VALUES (255, 250, 10.0, '', '', '', 'Prime Lens', 1.0, '', 0, 0, 0.0, '', NULL, NULL, NULL);
INSERT INTO Lenses VALUES (256, 250, 12.0, '', '', '', 'Prime Lens', 1.0, '', 0, 0, 0.0, '', NULL, NULL, NULL);
INSERT INTO Lenses VALUES (257, 250, 14.0, '', '', '', 'Prime Lens', 1.0, '', 0, 0, 0.0, '', NULL, NULL, NULL);
INSERT INTO Lenses VALUES (258, 250, 16.0, '', '', '', 'Prime Lens', 1.0, '', 0, 0, 0.0, '', NULL, NULL, NULL);
INSERT INTO Lenses VALUES (259, 250, 18.0, '', '', '', 'Prime Lens', 1.0, '', 1, 0, 0.0, '', NULL, NULL, NULL);
INSERT INTO Lenses VALUES (260, 250, 21.0, '', '', '', 'Prime Lens', 1.0, '', 0, 0, 0.0, '', NULL, NULL, NULL);
INSERT INTO Lenses VALUES (261, 250, 24.0, '', '', '', 'Prime Lens', 1.0, '', 0, 0, 0.0, '', NULL, NULL, NULL);
INSERT INTO Lenses VALUES (262, 250, 25.0, '', '', '', 'Prime Lens', 1.0, '', 1, 0, 0.0, '', NULL, NULL, NULL);
INSERT INTO Lenses VALUES (263, 250, 28.0, '', '', '', 'Prime Lens', 1.0, '', 0, 0, 0.0, '', NULL, NULL, NULL);
INSERT INTO Lenses VALUES (264, 250, 32.0, '', '', '', 'Prime Lens', 1.0, '', 0, 0, 0.0, '', NULL, NULL, NULL);
INSERT INTO Lenses VALUES (265, 250, 35.0, '', '', '', 'Prime Lens', 1.0, '', 1, 0, 0.0, '', NULL, NULL, NULL);
INSERT INTO Lenses VALUES (266, 250, 40.0, '', '', '', 'Prime Lens', 1.0, '', 0, 0, 0.0, '', NULL, NULL, NULL);
INSERT INTO Lenses VALUES (267, 250, 50.0, '', '', '', 'Prime Lens', 1.0, '', 1, 0, 0.0, '', NULL, NULL, NULL);
INSERT INTO Lenses VALUES (268, 250, 65.0, '', '', '', 'Prime Lens', 1.0, '', 0, 0, 0.0, '', NULL, NULL, NULL);
INSERT INTO Lenses VALUES (269, 250, 75.0, '', '', '', 'Prime Lens', 1.0, '', 0, 0, 0.0, '', NULL, NULL, NULL);
INSERT INTO Lenses VALUES (270, 250, 85.0, '', '', '', 'Prime Lens', 1.0, '', 1, 0, 0.0, '', NULL, NULL, NULL);
INSERT INTO Lenses VALUES (271, 250, 100.0, '', '', '', 'Prime Lens', 1.0, '', 0, 0, 0.0, '', NULL, NULL, NULL);
INSERT INTO Lenses VALUES (272, 250, 135.0, '', '', '', 'Prime Lens', 1.0, '', 0, 0, 0.0, '', NULL, NULL, NULL);
INSERT INTO Lenses VALUES (273, 250, 150.0, '', '', '', 'Prime Lens', 1.0, '', 0, 0, 0.0, '', NULL, NULL, NULL);
INSERT INTO Lenses VALUES (274, 250, 180.0, '', '', '', 'Prime Lens', 1.0, '', 0, 0, 0.0, '', NULL, NULL, NULL);
INSERT INTO Lenses VALUES (275, 250, 200.0, '', '', '', 'Prime Lens', 1.0, '', 0, 0, 0.0, '', NULL, NULL, NULL);
INSERT INTO Lenses VALUES (276, 250, 300.0, '', '', '', 'Prime Lens', 1.0, '', 0, 0, 0.0, '', NULL, NULL, NULL);
INSERT INTO Lenses VALUES (277, 250, 400.0, '', '', '', 'Prime Lens', 1.0, '', 0, 0, 0.0, '', NULL, NULL, NULL);
INSERT INTO Lenses VALUES (278, 250, 500.0, '', '', '', 'Prime Lens', 1.0, '', 0, 0, 0.0, '', NULL, NULL, NULL);
INSERT INTO Lenses VALUES (279, 250, 600.0, '', '', '', 'Prime Lens', 1.0, '', 0, 0, 0.0, '', NULL, NULL, NULL);

INSERT INTO Manufacturer VALUES (251, 'Generic', 'Anamorphic Prime Lenses 2x', 'Prime Lens', 0, 2.0, 0);
INSERT INTO Lenses VALUES (280, 251, 25.0, '', '', '', 'Prime Lens', 2.0, '', 0, 0, 0.0, '', NULL, NULL, NULL);
INSERT INTO Lenses VALUES (281, 251, 32.0, '', '', '', 'Prime Lens', 2.0, '', 0, 0, 0.0, '', NULL, NULL, NULL);
INSERT INTO Lenses VALUES (282, 251, 40.0, '', '', '', 'Prime Lens', 2.0, '', 1, 0, 0.0, '', NULL, NULL, NULL);
INSERT INTO Lenses VALUES (283, 251, 50.0, '', '', '', 'Prime Lens', 2.0, '', 1, 0, 0.0, '', NULL, NULL, NULL);
INSERT INTO Lenses VALUES (284, 251, 65.0, '', '', '', 'Prime Lens', 2.0, '', 0, 0, 0.0, '', NULL, NULL, NULL);
INSERT INTO Lenses VALUES (285, 251, 75.0, '', '', '', 'Prime Lens', 2.0, '', 1, 0, 0.0, '', NULL, NULL, NULL);
INSERT INTO Lenses VALUES (286, 251, 100.0, '', '', '', 'Prime Lens', 2.0, '', 0, 0, 0.0, '', NULL, NULL, NULL);
INSERT INTO Lenses VALUES (287, 251, 135.0, '', '', '', 'Prime Lens', 2.0, '', 0, 0, 0.0, '', NULL, NULL, NULL);
INSERT INTO Lenses VALUES (288, 251, 180.0, '', '', '', 'Prime Lens', 2.0, '', 0, 0, 0.0, '', NULL, NULL, NULL);

INSERT INTO Manufacturer VALUES (252, 'Generic', 'Zoom Lenses', 'Zoom Lens', 0, 1.0, 0);
INSERT INTO Lenses VALUES (289, 252, 14.0, '', '', '', 'Zoom Lens', 1.0, '', 0, 0, 24.0, '', NULL, NULL, NULL);
INSERT INTO Lenses VALUES (290, 252, 16.0, '', '', '', 'Zoom Lens', 1.0, '', 0, 0, 35.0, '', NULL, NULL, NULL);
INSERT INTO Lenses VALUES (291, 252, 18.0, '', '', '', 'Zoom Lens', 1.0, '', 0, 0, 35.0, '', NULL, NULL, NULL);
INSERT INTO Lenses VALUES (292, 252, 24.0, '', '', '', 'Zoom Lens', 1.0, '', 1, 0, 70.0, '', NULL, NULL, NULL);
INSERT INTO Lenses VALUES (293, 252, 24.0, '', '', '', 'Zoom Lens', 1.0, '', 0, 0, 105.0, '', NULL, NULL, NULL);
INSERT INTO Lenses VALUES (294, 252, 24.0, '', '', '', 'Zoom Lens', 1.0, '', 0, 0, 290.0, '', NULL, NULL, NULL);
INSERT INTO Lenses VALUES (295, 252, 70.0, '', '', '', 'Zoom Lens', 1.0, '', 0, 0, 200.0, '', NULL, NULL, NULL);
INSERT INTO Lenses VALUES (296, 252, 100.0, '', '', '', 'Zoom Lens', 1.0, '', 0, 0, 400.0, '', NULL, NULL, NULL);

INSERT INTO Manufacturer VALUES (253, 'Generic', 'Anamorphic Zoom Lenses 2x', 'Zoom Lens', 0, 2.0, 0);
INSERT INTO Lenses VALUES (297, 253, 30.0, '', '', '', 'Zoom Lens', 2.0, '', 0, 0, 72.0, '', NULL, NULL, NULL);
INSERT INTO Lenses VALUES (298, 253, 35.0, '', '', '', 'Zoom Lens', 2.0, '', 0, 0, 140.0, '', NULL, NULL, NULL);
INSERT INTO Lenses VALUES (299, 253, 44.0, '', '', '', 'Zoom Lens', 2.0, '', 0, 0, 440.0, '', NULL, NULL, NULL);
INSERT INTO Lenses VALUES (300, 253, 56.0, '', '', '', 'Zoom Lens', 2.0, '', 1, 0, 152.0, '', NULL, NULL, NULL);
